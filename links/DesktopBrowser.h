#pragma once

#include "Browser.h"

#include <QDesktopServices>
#include <QUrl>

namespace links {

// The production browser: hands the address to the desktop, which opens it
// with the user's default browser and shows whatever a failure needs, so the
// result is not read.
class DesktopBrowser : public Browser
{
public:
    void open(QWidget * /*owner*/, const QUrl &address) override { QDesktopServices::openUrl(address); }
};

} // namespace links
