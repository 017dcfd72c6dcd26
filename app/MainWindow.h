#pragma once

#include "EditorControls.h"
#include "FileDialog.h"

#include <FileStamp.h>
#include <MetaPageJobs.h>

#include <QByteArray>
#include <QMainWindow>
#include <QPointer>

#include <optional>

class QAction;

namespace dialogs {
class AboutDialog;
}

namespace links {
class Browser;
}

namespace app {

class UserPrompts;

// Form1: the editor's one working window. It owns the editor's state (the page
// buffer, the three meta fields and the two paths) and runs the commands of
// its buttons and menus; the page itself is handled by the page operations.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow(FileDialog &fileDialog, UserPrompts &prompts, links::Browser &browser, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The bytes of the opened page, or of what the last save kept of it.
    const QByteArray &pageBuffer() const { return m_page; }

private:
    void buildMenus();

    // Start-up and RESET: empties the meta fields and both paths, never the page buffer.
    void clearFields();
    void openPage(metatags::ReadOrder order);
    void saveInPlace();
    void saveAs(bool showInNewPath);
    void exitProgram();

    bool confirmSave();
    // False when Save should not write target after all: it is the opened
    // file and another program has changed it since, or it is an existing file
    // other than the opened one, and the user does not want it replaced.
    bool mayOverwrite(const QString &target);
    // The file picked in the dialog, or nothing when it was cancelled.
    std::optional<QString> chooseFile(FileDialog::Purpose purpose);
    bool writePage(const QString &target);
    // Whether target names the opened file, however the path is spelled.
    bool isOpenedFile(const QString &target) const;

    FileDialog &m_fileDialog;
    UserPrompts &m_prompts;
    links::Browser &m_browser;
    QPointer<dialogs::AboutDialog> m_about;

    QByteArray m_page;
    // Decided once when the page is read: a save cuts the buffer, and what is
    // left of it may no longer tell.
    metatags::PageEncoding m_encoding;
    // The file the page buffer was read from, or last saved to by Save, as it
    // was then.
    QString m_openedPath;
    QString m_openedCanonicalPath;
    metatags::FileStamp m_openedStamp;

    EditorControls m_controls;
};

} // namespace app
