#include "DesktopBrowser.h"

#include <QDesktopServices>
#include <QUrl>

namespace links {

void DesktopBrowser::open(QWidget * /*owner*/, const QUrl &address)
{
    // The desktop picks the browser and its window; a failure to open is
    // left to whatever the desktop shows, so the result is not read.
    QDesktopServices::openUrl(address);
}

} // namespace links
