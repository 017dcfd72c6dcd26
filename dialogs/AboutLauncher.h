#pragma once

#include <QPointer>

namespace links {
class Browser;
}

namespace dialogs {

class AboutDialog;

// Help > About: at most one About dialog at a time, shown without blocking
// and without a parent. Closing the dialog discards it, so the next showing
// builds and loads it anew.
class AboutLauncher
{
public:
    // browser must outlive the launcher.
    explicit AboutLauncher(links::Browser &browser);
    // Takes an open dialog along, since the dialog uses the browser.
    ~AboutLauncher();
    AboutLauncher(const AboutLauncher &) = delete;
    AboutLauncher &operator=(const AboutLauncher &) = delete;

    void show();
    // The open dialog, or null.
    AboutDialog *dialog() const;

private:
    links::Browser &siteBrowser;
    QPointer<AboutDialog> about;
};

} // namespace dialogs
