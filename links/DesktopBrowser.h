#pragma once

#include "Browser.h"

namespace links {

// The production browser: hands the address to the desktop, which opens it
// with the user's default browser.
class DesktopBrowser : public Browser
{
public:
    void open(QWidget *owner, const QUrl &address) override;
};

} // namespace links
