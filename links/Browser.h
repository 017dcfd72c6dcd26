#pragma once

class QUrl;
class QWidget;

namespace links {

// Opens a web address in the user's default browser. The window is given one,
// so that tests can catch the calls instead of starting a browser.
class Browser
{
public:
    virtual ~Browser() = default;
    // owner: the window the command came from. A failure to open is silent.
    virtual void open(QWidget *owner, const QUrl &address) = 0;
};

} // namespace links
