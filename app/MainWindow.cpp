#include "MainWindow.h"

#include "CaptionFont.h"
#include "CaptionLineEdit.h"
#include "EditorControls.h"
#include "FileDialog.h"
#include "MetaFieldEdit.h"
#include "UserPrompts.h"

#include <AboutDialog.h>
#include <LoadPage.h>
#include <ProgramIcon.h>
#include <SiteLinks.h>
#include <Twips.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>

namespace app {

namespace {

const QString PromptTitle = QStringLiteral("Tagwright 2.0");

} // namespace

MainWindow::MainWindow(FileDialog &fileDialog, UserPrompts &prompts, links::Browser &browser, QWidget *parent)
    : QMainWindow(parent)
    , m_fileDialog(fileDialog)
    , m_prompts(prompts)
    , m_browser(browser)
    , m_page(QByteArrayLiteral("Text10\r\n"))
    , m_encoding(metatags::SniffPageEncoding(m_page))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("TAGWRIGHT 2.0 Beta"));
    setWindowIcon(dialogs::ProgramIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    auto *client = new QWidget(this);
    client->setFixedSize(dialogs::TwipsToPixels(7110), dialogs::TwipsToPixels(7875));
    setCentralWidget(client);
    m_controls = BuildEditorControls(client);
    client->setFont(CaptionFont(client));
    buildMenus();

    using metatags::ReadOrder;
    connect(m_controls.open, &QPushButton::clicked, this, [this] { openPage(ReadOrder::EachOnItsOwn); });
    connect(m_controls.save, &QPushButton::clicked, this, &MainWindow::saveInPlace);
    connect(m_controls.saveAs, &QPushButton::clicked, this, [this] { saveAs(true); });
    connect(m_controls.reset, &QPushButton::clicked, this, &MainWindow::clearFields);
    connect(m_controls.submit, &QPushButton::clicked, this,
        [this] { links::OpenSitePage(m_browser, this, links::SitePage::Submit); });
    connect(m_controls.submissionLine, &CaptionLineEdit::clicked, this,
        [this] { links::OpenSitePage(m_browser, this, links::SitePage::Home); });

    m_controls.fields[metatags::MetaTag::Title]->setFocus();

    // Fixed size, menu bar included, and centred on the screen.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate();
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

// Takes an open About dialog along, since the dialog uses the browser.
MainWindow::~MainWindow()
{
    delete m_about;
}

void MainWindow::buildMenus()
{
    using metatags::ReadOrder;
    QMenu *fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu->setObjectName(QStringLiteral("file"));
    const auto addItem = [](QMenu *menu, const QString &caption, const char *name) {
        QAction *item = menu->addAction(caption);
        item->setObjectName(QLatin1String(name));
        return item;
    };
    connect(addItem(fileMenu, QStringLiteral("Open"), "Open"), &QAction::triggered, this,
        [this] { openPage(ReadOrder::TitleFirst); });
    connect(addItem(fileMenu, QStringLiteral("Save"), "save"), &QAction::triggered, this, &MainWindow::saveInPlace);
    connect(
        addItem(fileMenu, QStringLiteral("Save As"), "saveas"), &QAction::triggered, this, [this] { saveAs(false); });
    connect(addItem(fileMenu, QStringLiteral("Exit"), "en"), &QAction::triggered, this, &MainWindow::exitProgram);

    // Switched off for good: its one item cannot be reached.
    QMenu *setupMenu = menuBar()->addMenu(QStringLiteral("&Setup"));
    setupMenu->setObjectName(QStringLiteral("set"));
    addItem(setupMenu, QStringLiteral("Options"), "options");
    setupMenu->menuAction()->setEnabled(false);

    QMenu *helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    helpMenu->setObjectName(QStringLiteral("helpmen"));
    connect(addItem(helpMenu, QStringLiteral("Hints"), "hints"), &QAction::triggered, this,
        [this] { links::OpenSitePage(m_browser, this, links::SitePage::Hints); });
    // At most one About dialog, shown without blocking this window.
    connect(addItem(helpMenu, QStringLiteral("About"), "About"), &QAction::triggered, this, [this] {
        if (!m_about)
            m_about = new dialogs::AboutDialog(m_browser);
        m_about->show();
        m_about->raise();
        m_about->activateWindow();
    });
}

void MainWindow::clearFields()
{
    for (MetaFieldEdit *field : m_controls.fields.values)
        field->setValue({});
    m_controls.originalPath->clear();
    m_controls.newPath->clear();
}

std::optional<QString> MainWindow::chooseFile(FileDialog::Purpose purpose)
{
    // Where the page came from is where its neighbours and its copies are.
    const QString folder = m_openedPath.isEmpty() ? QString() : QFileInfo(m_openedPath).absolutePath();
    std::optional<QString> chosen = m_fileDialog.choose(this, purpose, folder);
    if (chosen && chosen->isEmpty())
        return std::nullopt;
    return chosen;
}

void MainWindow::openPage(metatags::ReadOrder order)
{
    const std::optional<QString> path = chooseFile(FileDialog::Purpose::Open);
    if (!path)
        return;
    metatags::Result<metatags::StampedPage> loaded = metatags::LoadPage(*path);
    // Nothing changes on failure, the original path included, so that a later
    // Save cannot write the previous page over this file.
    if (!loaded) {
        m_prompts.showError(this, PromptTitle,
            tr("The file %1 could not be opened.\n\n%2")
                .arg(QDir::toNativeSeparators(loaded.error().path), loaded.error().reason));
        return;
    }
    m_controls.originalPath->setText(*path);
    m_page = std::move(loaded->bytes);
    m_encoding = metatags::SniffPageEncoding(m_page);
    m_openedPath = *path;
    m_openedCanonicalPath = QFileInfo(*path).canonicalFilePath();
    m_openedStamp = loaded->stamp;
    // A value that is missing or unusable leaves its field as it is.
    metatags::ReadMetaValues(m_page, m_encoding, order).forEach([this](metatags::MetaTag tag, const auto &read) {
        if (read.found())
            m_controls.fields[tag]->setValue(read.value);
    });
}

bool MainWindow::confirmSave()
{
    return m_prompts.askYesNoCancel(this, PromptTitle, QStringLiteral("Are you sure?")) == UserPrompts::Answer::Yes;
}

bool MainWindow::isOpenedFile(const QString &target) const
{
    if (m_openedPath.isEmpty())
        return false;
    // A link to it, or "./" and "//" in the path, still name the opened file;
    // once it is deleted only the path itself can tell.
    const QString canonical = QFileInfo(target).canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical == m_openedCanonicalPath;
    return QDir::cleanPath(QFileInfo(target).absoluteFilePath())
        == QDir::cleanPath(QFileInfo(m_openedPath).absoluteFilePath());
}

bool MainWindow::mayOverwrite(const QString &target)
{
    QString question;
    if (isOpenedFile(target)) {
        if (metatags::StampOf(target) == m_openedStamp)
            return true;
        question = tr("\u201c%1\u201d has changed on disk since it was opened. Overwrite it?");
    } else if (QFileInfo(target).isFile()) {
        // A path typed by hand can name any file; Save would replace it
        // with a page it never held.
        question = tr("\u201c%1\u201d is not the page that was opened. Replace it?");
    } else {
        return true;
    }
    return m_prompts.askYesNo(this, PromptTitle, question.arg(QDir::toNativeSeparators(target)))
        == UserPrompts::Answer::Yes;
}

bool MainWindow::writePage(const QString &target)
{
    metatags::PerTag<metatags::FieldValue> fields;
    m_controls.fields.forEach(
        [&fields](metatags::MetaTag tag, const MetaFieldEdit *field) { fields[tag] = field->value(); });
    const bool existed = QFileInfo::exists(target);
    const bool overOpenedFile = isOpenedFile(target);
    const metatags::Result<metatags::FileStamp> written = metatags::SaveMetaPage(target, fields, m_page, m_encoding);
    if (written) {
        // What is on disk now is this save's own work, not another program's.
        if (overOpenedFile) {
            m_openedStamp = *written;
            m_openedCanonicalPath = QFileInfo(target).canonicalFilePath();
        }
        return true;
    }
    const metatags::FileError &error = written.error();
    const QString outcome = existed ? tr("The file was not changed.") : tr("No file was created.");
    m_prompts.showError(this, PromptTitle,
        tr("The file %1 could not be saved.\n\n%2\n\n%3")
            .arg(QDir::toNativeSeparators(error.path), error.reason, outcome));
    return false;
}

void MainWindow::saveInPlace()
{
    if (!confirmSave())
        return;
    const QString target = m_controls.originalPath->text();
    if (target.isEmpty() || !mayOverwrite(target))
        return;
    writePage(target);
}

void MainWindow::saveAs(bool showInNewPath)
{
    if (!confirmSave())
        return;
    const std::optional<QString> target = chooseFile(FileDialog::Purpose::Save);
    if (!target)
        return;
    // The new-path field only ever shows a file that was written.
    if (writePage(*target) && showInNewPath)
        m_controls.newPath->setText(*target);
}

void MainWindow::exitProgram()
{
    // At once: no window is asked whether it may close.
    for (QWidget *window : QApplication::topLevelWidgets())
        window->hide();
    QCoreApplication::exit(0);
}

} // namespace app
