#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace links {
class Browser;
}

namespace dialogs {

class ClickableLabel;

// frmAbout: the program's title, its maker and the maker's web site, whose
// address opens in the browser on a click. It has no parent, so it lives
// beside the main window; closing it discards it.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    // browser must outlive the dialog.
    explicit AboutDialog(links::Browser &browser);

private:
    void buildControls();
    void load();

    links::Browser &m_siteBrowser;
    QLabel *m_titleLabel = nullptr;
    QLabel *m_versionLabel = nullptr;
    ClickableLabel *m_siteLabel = nullptr;
    QLabel *m_salesLabel = nullptr;
    QLabel *m_descriptionLabel = nullptr;
    QPushButton *m_okButton = nullptr;
};

} // namespace dialogs
