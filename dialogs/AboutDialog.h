#pragma once

#include <QDialog>

namespace links {
class Browser;
}

namespace dialogs {

// frmAbout: the program's title, its maker and the maker's web site, whose
// address opens in the browser on a click. It has no parent, so it lives
// beside the main window; closing it discards it, so that the next showing
// builds it anew.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    // browser must outlive the dialog.
    explicit AboutDialog(links::Browser &browser);
};

} // namespace dialogs
