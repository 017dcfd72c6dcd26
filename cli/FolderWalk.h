#pragma once

#include <QString>
#include <QStringList>

namespace cli {

// The pages named on a command line: without recursive the paths as they are
// (a folder is refused when it is read, and ten thousand pages need no extra
// look each); with it, a file as it is and for a folder the *.html and *.htm
// files (in any letter case) in it and every folder below it, as paths that
// begin with the folder, sorted so that every run lists them in the same
// order. Hidden files and folders are left out, and linked folders are not
// entered, so that a link loop cannot make the walk endless.
QStringList PagesToRead(const QStringList &paths, bool recursive);

} // namespace cli
