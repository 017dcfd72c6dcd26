#pragma once

#include <QString>

namespace cli {

// Where the result for page goes under folder: a relative path keeps its
// folders below it, so "site/a.html" goes to "folder/site/a.html". A path that
// is absolute or climbs out with ".." goes by its absolute path without the
// root, so "/var/www/a.html" goes to "folder/var/www/a.html". Either way the
// result stays inside folder.
QString OutputPathUnder(const QString &folder, const QString &page);

} // namespace cli
