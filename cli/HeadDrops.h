#pragma once

#include <QByteArrayView>
#include <QStringList>

namespace cli {

// What a save removes ahead of the title tag that the page needs: its
// DOCTYPE, a charset declaration (<meta charset> or an http-equiv
// Content-Type with a charset) and a viewport tag, each as it stands in the
// page, shortened. Empty when the page has no title tag (it is written whole)
// or nothing of the kind stands before it.
QStringList HeadDropsOf(QByteArrayView page);

} // namespace cli
