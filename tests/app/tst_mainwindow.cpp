#include <Browser.h>
#include <DesktopFileDialog.h>
#include <FileDialog.h>
#include <FileFaults.h>
#include <MainWindow.h>
#include <MessageBoxPrompts.h>
#include <MetaFieldEdit.h>
#include <SiteLinks.h>
#include <UserPrompts.h>
#include <WriteMetaPage.h>

#include <QtTest>
#include <QtWidgets>

#include <csignal>

// The window's seams, answered from a script instead of by a user.

// Each showing takes the next answer: a path, QString() for a dialog that
// comes back with an empty name, or nothing for a cancel.
class ScriptedFileDialog : public app::FileDialog
{
public:
    std::optional<QString> choose(QWidget *, Purpose purpose, const QString &folder) override
    {
        showings.append((purpose == Purpose::Open ? QStringLiteral("open in ") : QStringLiteral("save in ")) + folder);
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }

    QList<std::optional<QString>> answers;
    QStringList showings;
};

// Questions take the next answer in the order they are asked; when none is
// left, the box was closed. The window goes on only on Yes.
class ScriptedPrompts : public app::UserPrompts
{
public:
    Answer askYesNoCancel(QWidget *, const QString &title, const QString &question) override
    {
        questions.append(title + QLatin1Char('|') + question);
        return answers.isEmpty() ? Answer::Cancel : answers.takeFirst();
    }
    Answer askYesNo(QWidget *, const QString &t, const QString &q) override { return askYesNoCancel({}, t, q); }
    void showError(QWidget *, const QString &title, const QString &text) override { errors << title + u'|' + text; }

    QList<Answer> answers;
    QStringList questions;
    QStringList errors;
};

// Notes what it was asked to open, and for which window.
class RecordingBrowser : public links::Browser
{
public:
    void open(QWidget *owner, const QUrl &address) override { calls.append({ owner, address }); }

    QList<std::pair<QPointer<QWidget>, QUrl>> calls;
};

// Types text key by key, as a keyboard would; "\n" is Enter, "\b" Backspace.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar character : text) {
        if (character == QLatin1Char('\n'))
            QTest::keyClick(widget, Qt::Key_Return);
        else if (character == QLatin1Char('\b'))
            QTest::keyClick(widget, Qt::Key_Backspace);
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
    }
}

// The real main window with scripted seams, reached by object names.
struct WindowUnderTest
{
    ScriptedFileDialog fileDialog;
    ScriptedPrompts prompts;
    RecordingBrowser browser;
    app::MainWindow window { fileDialog, prompts, browser };

    app::MetaFieldEdit *field(const char *name) { return window.findChild<app::MetaFieldEdit *>(name); }
    QLineEdit *line(const char *name) { return window.findChild<QLineEdit *>(name); }

    // All that a command may change: the three fields, both paths and the page buffer.
    QStringList state()
    {
        return { field("Text1")->value().text, field("Text2")->value().text, field("Text3")->value().text,
            line("Text6")->text(), line("Text7")->text(), QString::fromLatin1(window.pageBuffer().toHex()) };
    }

    // Clicks the button, chooses the menu item, or clicks the control of that name.
    void run(const QString &name)
    {
        if (auto *button = window.findChild<QPushButton *>(name))
            button->click();
        else if (auto *action = window.findChild<QAction *>(name))
            action->trigger();
        else
            QTest::mouseClick(window.findChild<QWidget *>(name), Qt::LeftButton);
    }
};

using Answer = app::UserPrompts::Answer;

namespace {

const QString AreYouSure = QStringLiteral("Tagwright 2.0|Are you sure?");

QByteArray metaTag(const QByteArray &word, const QByteArray &value)
{
    return "<meta name=\"" + word + "\" content=\"" + value + "\">\r\n";
}

// The file a save writes: the preamble with the values, then the kept part.
QByteArray saved(
    const QByteArray &title, const QByteArray &description, const QByteArray &keywords, const QByteArray &kept)
{
    return metatags::MetaPreamble({ title, description, keywords }) + kept + "\r\n";
}

const QByteArray KeptPart = "<title>Cars</title></head><body>Hi</body></html>";
const QByteArray CarPage = "<html><head>\r\n" + metaTag("Description", "Fast cars") + metaTag("KeyWords", "cars, speed")
    + metaTag("Title", "Car page") + KeptPart + "\r\n";
const QByteArray CarFile = saved("Car page", "Fast cars", "cars, speed", KeptPart);

QList<QWidget *> visibleAboutDialogs()
{
    QList<QWidget *> found = QApplication::topLevelWidgets();
    found.removeIf([](const QWidget *window) {
        return window->objectName() != QLatin1String("frmAbout") || !window->isVisible();
    });
    return found;
}

} // namespace

class MainWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowUnderTest> m_ui;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_page; // page.html, holding CarPage

    QString path(const QString &name) const { return m_dir->filePath(name); }
    // Every file of the test folder by its real path, with its bytes.
    QMap<QString, QByteArray> files() const
    {
        QMap<QString, QByteArray> found;
        for (const QFileInfo &file : QDir(m_dir->path()).entryInfoList(QDir::Files | QDir::NoSymLinks))
            found[file.canonicalFilePath()] = testsupport::ReadFile(file.filePath());
        return found;
    }
    // Runs the command with these answers to its questions and this choice in its dialog.
    void runWith(const QString &command, const QList<Answer> &answers, const std::optional<QString> &chosen = {})
    {
        m_ui->prompts.answers = answers;
        m_ui->fileDialog.answers = { chosen };
        m_ui->run(command);
    }
    void open(const QString &file, const QString &command = QStringLiteral("Command1")) { runWith(command, {}, file); }

private slots:
    void init()
    {
        m_ui = std::make_unique<WindowUnderTest>();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_page = path(QStringLiteral("page.html"));
        QVERIFY(testsupport::WriteFile(m_page, CarPage));
    }
    void cleanup()
    {
        m_ui.reset();
        m_dir.reset();
    }

    void openFillsFieldsInItsOrder_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QStringList>("fields"); // Title, Description, KeyWords after the open

        const QByteArray noTitle = metaTag("Description", "d") + metaTag("KeyWords", "k");
        const QStringList carFields { "Car page", "Fast cars", "cars, speed" };
        QTest::newRow("button, all three") << "Command1" << CarPage << carFields;
        QTest::newRow("menu, all three") << "Open" << CarPage << carFields;
        QTest::newRow("button, no Title word") << "Command1" << noTitle << QStringList { "old", "d", "k" };
        QTest::newRow("menu, no Title word") << "Open" << noTitle << QStringList { "old", "old", "old" };
        QTest::newRow("unusable value keeps field")
            << "Command1"
            << "<b>Description</b>" + metaTag("Title", "t") << QStringList { "t", "old", "old" };
        QTest::newRow("empty value empties field")
            << "Open" << metaTag("Title", "") << QStringList { "", "old", "old" };
        QTest::newRow("long Title cut to 512")
            << "Command1" << metaTag("Title", QByteArray(600, 'x')) << QStringList { QString(512, 'x'), "old", "old" };
        QTest::newRow("long KeyWords cut to 1024")
            << "Open" << metaTag("Title", "") + metaTag("KeyWords", QByteArray(1500, 'k'))
            << QStringList { "", "old", QString(1024, 'k') };
    }
    void openFillsFieldsInItsOrder()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, page);
        QFETCH(QStringList, fields);
        for (const char *name : { "Text1", "Text2", "Text3" })
            m_ui->field(name)->setPlainText(QStringLiteral("old"));
        m_ui->line("Text7")->setText(QStringLiteral("kept"));
        QVERIFY(testsupport::WriteFile(m_page, page));

        open(m_page, command);

        QCOMPARE(m_ui->fileDialog.showings, QStringList { "open in " });
        QCOMPARE(m_ui->state(), fields << m_page << "kept" << QString::fromLatin1(page.toHex()));
        QVERIFY(m_ui->prompts.errors.isEmpty());
    }

    // What each open and save command does with the dialog's choice and the
    // answers: the questions asked, and either the page written (and the
    // buffer cut) or nothing changed at all, in the window and on disk.
    void commandWritesOrChangesNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("before"); // "unopened", or what another program did: "rewritten", "deleted"
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<QString>("target"); // typed as the original path for Save, chosen for the others
        QTest::addColumn<QString>("asked"); // after "Are you sure?": "", "changed" or "replace"
        QTest::addColumn<QString>("outcome"); // "written", "nothing", or the reason in a message

        const auto row = [](const QString &name, const char *command, const char *before, const QList<Answer> &answers,
                             const char *target, const char *asked, const QString &outcome) {
            QTest::newRow(qPrintable(name))
                << QString(command) << QString(before) << answers << QString(target) << QString(asked) << outcome;
        };
        const QList<Answer> yes { Answer::Yes }, yesNo { Answer::Yes, Answer::No }, yesYes { Answer::Yes, Answer::Yes };
        // The open commands ask nothing; the save commands ask before the dialog.
        const std::pair<const char *, QList<Answer>> withDialog[]
            = { { "Command1", {} }, { "Open", {} }, { "Command2", yes }, { "saveas", yes } };
        for (const auto &[command, answers] : withDialog) {
            row(QString(command) + ", dialog cancelled", command, "", answers, "(cancel)", "", "nothing");
            row(QString(command) + ", empty name", command, "", answers, "", "", "nothing");
        }
        const std::pair<const char *, const char *> saves[] = { { "Command4", "page.html" }, { "save", "page.html" },
            { "Command2", "new.html" }, { "saveas", "new.html" } };
        for (const auto &[command, target] : saves) {
            row(QString(command) + ", No", command, "", { Answer::No }, target, "", "nothing");
            row(QString(command) + ", Cancel", command, "", { Answer::Cancel }, target, "", "nothing");
            row(QString(command) + ", Yes", command, "", yes, target, "", "written");
        }
        row("Save, rewritten, No", "Command4", "rewritten", yesNo, "page.html", "changed", "nothing");
        row("Save, deleted, Yes", "Command4", "deleted", yesYes, "page.html", "changed", "written");
        row("Save, rewritten, dot segment", "save", "rewritten", yesNo, "./page.html", "changed", "nothing");
        row("Save, rewritten, symbolic link", "Command4", "rewritten", yesNo, "alias.html", "changed", "nothing");
        row("Save, another existing file, No", "save", "", yesNo, "other.html", "replace", "nothing");
        row("Save before any open, an existing file, No", "save", "unopened", yesNo, "other.html", "replace",
            "nothing");
        row("Save As, rewritten page", "Command2", "rewritten", yes, "page.html", "", "written");
        row("Save As, another existing file", "saveas", "", yes, "other.html", "", "written");
        row("Save, folder is a regular file", "Command4", "", yes, "page.html/new.html", "", qt_error_string(ENOTDIR));
        row("Save As, target is a folder", "saveas", "", yes, "folder", "", "folder");
        row("Open, missing file", "Open", "", {}, "missing.html", "", qt_error_string(ENOENT));
    }
    void commandWritesOrChangesNothing()
    {
        QFETCH(QString, command);
        QFETCH(QString, before);
        QFETCH(QList<Answer>, answers);
        QFETCH(QString, target);
        QFETCH(QString, asked);
        QFETCH(QString, outcome);
        QVERIFY(QFile::link(m_page, path(QStringLiteral("alias.html"))));
        QVERIFY(
            testsupport::WriteFile(path(QStringLiteral("other.html")), "<title>someone else's page</title></html>"));
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder")));
        if (before != QLatin1String("unopened"))
            open(m_page);
        typeText(m_ui->field("Text1"), QStringLiteral("New "));
        if (before == QLatin1String("rewritten"))
            QVERIFY(testsupport::WriteFile(m_page, "<title>theirs</title></html>"));
        else if (before == QLatin1String("deleted"))
            QVERIFY(QFile::remove(m_page));
        const std::optional<QString> chosen = target == QLatin1String("(cancel)")
            ? std::nullopt
            : std::optional(target.isEmpty() ? target : m_dir->path() + QLatin1Char('/') + target);
        const bool inPlace = command == QLatin1String("Command4") || command == QLatin1String("save");
        if (inPlace)
            m_ui->line("Text6")->setText(*chosen);
        m_ui->line("Text7")->setText(QStringLiteral("earlier"));
        const QStringList stateBefore = m_ui->state();
        const QMap<QString, QByteArray> filesBefore = files();

        runWith(command, answers, chosen);

        QStringList questions;
        if (!answers.isEmpty()) // none for the open commands
            questions.append(AreYouSure);
        if (!asked.isEmpty())
            questions.append((asked == QLatin1String("changed")
                    ? QStringLiteral(
                        "Tagwright 2.0|\u201c%1\u201d has changed on disk since it was opened. Overwrite it?")
                    : QStringLiteral("Tagwright 2.0|\u201c%1\u201d is not the page that was opened. Replace it?"))
                                 .arg(QDir::toNativeSeparators(*chosen)));
        QCOMPARE(m_ui->prompts.questions, questions);
        if (!inPlace && (answers.isEmpty() || answers.first() == Answer::Yes))
            QCOMPARE(m_ui->fileDialog.showings.last(), (answers.isEmpty() ? "open in " : "save in ") + m_dir->path());
        if (outcome == QLatin1String("written")) {
            QVERIFY(m_ui->prompts.errors.isEmpty());
            QMap<QString, QByteArray> filesAfter = filesBefore;
            filesAfter[QFileInfo(*chosen).canonicalFilePath()]
                = saved("New Car page", "Fast cars", "cars, speed", KeptPart);
            QCOMPARE(files(), filesAfter);
            QCOMPARE(m_ui->window.pageBuffer(), KeptPart);
            QCOMPARE(m_ui->line("Text7")->text(), command == QLatin1String("Command2") ? *chosen : "earlier");
            return;
        }
        QCOMPARE(m_ui->state(), stateBefore);
        QCOMPARE(files(), filesBefore);
        QCOMPARE(m_ui->prompts.errors.size(), outcome == QLatin1String("nothing") ? 0 : 1);
        if (outcome == QLatin1String("nothing"))
            return;
        const QString message = m_ui->prompts.errors.first();
        QVERIFY2(message.startsWith("Tagwright 2.0|") && message.contains(QDir::toNativeSeparators(*chosen))
                && message.contains(outcome)
                && (answers.isEmpty()
                    || message.endsWith(
                        QFileInfo::exists(*chosen) ? "The file was not changed." : "No file was created.")),
            qPrintable(message));
    }

    // RESET empties the fields and both paths but keeps the page buffer, so
    // Save has no file to write while Save As still writes the page.
    void resetKeepsThePageForSaveAs()
    {
        open(m_page);
        m_ui->line("Text7")->setText(QStringLiteral("earlier"));
        m_ui->run(QStringLiteral("Command5"));
        QCOMPARE(m_ui->state(), (QStringList { "", "", "", "", "", QString::fromLatin1(CarPage.toHex()) }));
        runWith(QStringLiteral("Command4"), { Answer::Yes, Answer::Yes });
        QCOMPARE(m_ui->prompts.questions, QStringList { AreYouSure });
        QCOMPARE(m_ui->fileDialog.showings.size(), 1);
        QCOMPARE(testsupport::ReadFile(m_page), CarPage);
        runWith(QStringLiteral("saveas"), { Answer::Yes }, path(QStringLiteral("new.html")));
        QCOMPARE(testsupport::ReadFile(path(QStringLiteral("new.html"))), saved("", "", "", KeptPart));
        QVERIFY(m_ui->prompts.errors.isEmpty());
    }

    // Untouched values go back as the bytes they were read from; typed ones in
    // the encoding the page was read with, with CR LF line breaks.
    void valuesWrittenBack_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<bool>("twice"); // saved once before the typing, which cuts the page
        QTest::addColumn<QString>("typed"); // at the end of the Title field
        QTest::addColumn<QByteArray>("title"); // the Title value written
        QTest::addColumn<QByteArray>("kept");

        const QByteArray utf8Kept = "<title>Caf\xc3\xa9</title></html>";
        const QByteArray latinKept = "<title>Caf\xe9</title></html>";
        const auto row = [](const char *name, const QByteArray &head, const QByteArray &value, const QByteArray &kept,
                             const QString &typed, const QByteArray &title) {
            QTest::newRow(name) << head + metaTag("Title", value) + kept << !head.isEmpty() << typed << title << kept;
        };
        row("untouched lone LF", {}, "a\nb", KeptPart, {}, "a\nb");
        row("untouched windows-1252 in UTF-8 page", {}, "caf\xe9 \x80", utf8Kept, {}, "caf\xe9 \x80");
        row("edited lone LF becomes CR LF", {}, "a\nb", KeptPart, "!", "a\r\nb!");
        row("Enter typed", {}, "ab", KeptPart, "\n", "ab\r\n");
        row("cut value re-encoded", {}, QByteArray(510, 'x') + "\n\n\n", KeptPart, {},
            QByteArray(510, 'x') + "\r\n\r\n");
        // The first save cuts the declaration away; the second still encodes
        // by what the page was read as.
        row("ISO-8859-1 declared, cut, ASCII kept part", "<meta charset=\"iso-8859-1\">", "t", KeptPart,
            QStringLiteral("\u00e9"), "t\xe9");
        row("UTF-8 declared, cut, windows-1252 byte kept", "<meta charset=utf-8>", "t", latinKept,
            QStringLiteral("\u00e9"), "t\xc3\xa9");
        const QByteArray nulKept = QByteArrayLiteral("<title>\0x\0</title>\0\xff\0</html>");
        row("NULs before, in the value and in the kept part", QByteArrayLiteral("\0bin\0"), QByteArrayLiteral("a\0b"),
            nulKept, {}, QByteArrayLiteral("a\0b"));
        QTest::newRow("empty file") << QByteArray() << false << QString() << QByteArray() << QByteArray();
    }
    void valuesWrittenBack()
    {
        QFETCH(QByteArray, page);
        QFETCH(bool, twice);
        QFETCH(QString, typed);
        QFETCH(QByteArray, title);
        QFETCH(QByteArray, kept);
        QVERIFY(testsupport::WriteFile(m_page, page));
        open(m_page);
        if (twice)
            runWith(QStringLiteral("Command4"), { Answer::Yes });
        app::MetaFieldEdit *field = m_ui->field("Text1");
        field->moveCursor(QTextCursor::End);
        typeText(field, typed);

        runWith(QStringLiteral("Command4"), { Answer::Yes });

        QCOMPARE(testsupport::ReadFile(m_page), saved(title, "", "", kept));
        QCOMPARE(m_ui->window.pageBuffer(), kept);
    }

    void fieldsHoldTheirLimit_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("how"); // "type", "key" (all in one key), "paste" or "compose" (an input method)
        QTest::addColumn<int>("before"); // how many 'x' the field holds, all selected when negative
        QTest::addColumn<QString>("added");
        QTest::addColumn<QString>("expected"); // after the 'x'

        const auto row = [](const char *name, const char *field, const char *how, int before, const QString &added,
                             const QString &expected) {
            QTest::newRow(name) << QString(field) << QString(how) << before << added << expected;
        };
        row("Title, typing", "Text1", "type", 509, "ab\ncdef", "ab\n");
        row("Title, Backspace when full", "Text1", "type", 511, "a\bb", "b");
        row("Title, one key of two characters", "Text1", "key", 511, "ab", "");
        row("Description, typing, Enter when full", "Text2", "type", 1022, "ab\ncd", "ab");
        row("Keywords, pasting", "Text3", "paste", 1021, "ab\ncdef", "ab\n");
        row("Title, pasting over everything", "Text1", "paste", -512, QString(600, 'p'), QString(512, 'p'));
        row("pasted line breaks become plain", "Text1", "paste", 0, "a\r\nb\rc\u2028d", "a\nb\nc\nd");
        row("no half of a surrogate pair", "Text1", "paste", 511, "\U0001F600", "");
        row("Title, composing past the limit", "Text1", "compose", 510, "abc", "ab");
    }
    void fieldsHoldTheirLimit()
    {
        QFETCH(QString, name);
        QFETCH(QString, how);
        QFETCH(int, before);
        QFETCH(QString, added);
        QFETCH(QString, expected);
        app::MetaFieldEdit *field = m_ui->field(name.toLatin1().constData());
        field->setPlainText(QString(std::abs(before), QLatin1Char('x')));
        field->moveCursor(QTextCursor::End);
        if (before < 0)
            field->selectAll();

        if (how == QLatin1String("type")) {
            typeText(field, added);
        } else if (how == QLatin1String("key")) {
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, added, Qt::NoModifier);
        } else if (how == QLatin1String("paste")) {
            QGuiApplication::clipboard()->setText(added);
            field->paste();
        } else {
            QInputMethodEvent composed;
            composed.setCommitString(added);
            QCoreApplication::sendEvent(field, &composed);
        }

        QCOMPARE(field->value().text, QString(std::max(before, 0), QLatin1Char('x')) + expected);
    }

    // A second Save asks nothing more than "Are you sure?", even when the
    // link the page was opened by has come to name another file since; a
    // change by another program after it is noticed again.
    void aSaveOfItsOwnIsNoChange()
    {
        const QString link = path(QStringLiteral("alias.html")), other = path(QStringLiteral("other.html"));
        QVERIFY(QFile::link(m_page, link));
        open(link);
        QVERIFY(QFile::remove(link) && QFile::link(other, link));
        runWith(QStringLiteral("Command4"), { Answer::Yes, Answer::Yes }); // asks whether to overwrite
        m_ui->line("Text6")->setText(other);
        runWith(QStringLiteral("save"), { Answer::Yes });
        QCOMPARE(m_ui->prompts.questions.size(), 3);
        QCOMPARE(testsupport::ReadFile(other), CarFile);

        QVERIFY(testsupport::WriteFile(other, "<title>theirs</title></html>"));
        runWith(QStringLiteral("Command4"), { Answer::Yes, Answer::No });
        QCOMPARE(m_ui->prompts.questions.size(), 5);
        QCOMPARE(testsupport::ReadFile(other), QByteArray("<title>theirs</title></html>"));
    }
    void startsEmptyWithTitleFocusedAndFixedSize()
    {
        m_ui->window.show();
        QVERIFY(QTest::qWaitForWindowActive(&m_ui->window));
        QCOMPARE(
            m_ui->state(), (QStringList { "", "", "", "", "", QString::fromLatin1(QByteArray("Text10\r\n").toHex()) }));
        QCOMPARE(m_ui->window.minimumSize(), m_ui->window.maximumSize());
        QCOMPARE(m_ui->window.windowTitle(), QStringLiteral("TAGWRIGHT 2.0 Beta")); // the picture has no title bar
        const QPoint offCentre = m_ui->window.geometry().center() - m_ui->window.screen()->availableGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 4, "centred on the screen");
        QVERIFY(!m_ui->window.findChild<QMenu *>(QStringLiteral("set"))->menuAction()->isEnabled());
        // From the Title field, Tab moves on through the other two to the Open
        // button: a meta field takes no tab character.
        for (int field = 0; field < 3; ++field)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), m_ui->window.findChild<QWidget *>("Command1"));
    }

    // Each link is one call to the browser, for the window clicked in, and
    // changes nothing in the editor.
    void eachLinkOpensItsPage_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<links::SitePage>("page");
        QTest::newRow("SUBMIT PAGE") << "Command3" << links::SitePage::Submit;
        QTest::newRow("Help > Hints") << "hints" << links::SitePage::Hints;
        QTest::newRow("submission line") << "Text4" << links::SitePage::Home;
        QTest::newRow("address in Help > About") << "Label1" << links::SitePage::Home;
    }
    void eachLinkOpensItsPage()
    {
        QFETCH(QString, control);
        QFETCH(links::SitePage, page);
        m_ui->window.show();
        m_ui->field("Text1")->setPlainText(QStringLiteral("kept"));
        m_ui->line("Text6")->setText(QStringLiteral("/kept/original.html"));
        const QStringList before = m_ui->state();
        QWidget *owner = &m_ui->window;

        if (control == QLatin1String("Label1")) {
            m_ui->run(QStringLiteral("About"));
            owner = visibleAboutDialogs().value(0);
            QVERIFY(owner);
            auto *address = owner->findChild<QLabel *>(control);
            QCOMPARE(address->cursor().shape(), Qt::PointingHandCursor);
            QTest::mouseClick(address, Qt::LeftButton);
        } else {
            m_ui->run(control);
        }

        RecordingBrowser expected;
        links::OpenSitePage(expected, owner, page);
        QCOMPARE(m_ui->browser.calls, expected.calls);
        QCOMPARE(m_ui->state(), before);
        QVERIFY(m_ui->prompts.questions.isEmpty() && m_ui->prompts.errors.isEmpty());
    }

    // One About dialog at a time, beside the window and not blocking it, of
    // fixed size; closing it discards it, and the next showing builds a new one.
    void aboutIsOneModelessDialogUntilExit()
    {
        m_ui->window.show();
        m_ui->run(QStringLiteral("About"));
        m_ui->run(QStringLiteral("About"));
        QCOMPARE(visibleAboutDialogs().size(), 1);
        QPointer<QWidget> about = visibleAboutDialogs().first();
        QVERIFY(!about->parentWidget() && !QApplication::activeModalWidget() && !about->windowTitle().isEmpty());
        QCOMPARE(about->minimumSize(), about->maximumSize());
        QWidget *okButton = about->findChild<QWidget *>(QStringLiteral("cmdOK"));
        QCOMPARE(about->focusWidget(), okButton);

        QTest::mouseClick(okButton, Qt::LeftButton);
        QTRY_VERIFY(about.isNull());
        m_ui->run(QStringLiteral("About"));
        QCOMPARE(visibleAboutDialogs().size(), 1);

        // Exit closes every window at once and asks nothing, unsaved values or not.
        m_ui->field("Text1")->setPlainText(QStringLiteral("unsaved"));
        QTimer::singleShot(0, m_ui->window.findChild<QAction *>("en"), &QAction::trigger);
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); }); // in case nothing ends the loop
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!m_ui->window.isVisible() && visibleAboutDialogs().isEmpty() && m_ui->prompts.questions.isEmpty());
    }

    // Both windows as a user first sees them, against pictures checked by eye;
    // a picture that differs is left in the temporary folder to be looked at.
    void looksAsChecked_data()
    {
        QTest::addColumn<int>("aboutChoices"); // each from the main window in front
        QTest::addColumn<QString>("name"); // of the window that ends up in front, and of its picture
        QTest::newRow("main window") << 0 << "Form1";
        QTest::newRow("About") << 1 << "frmAbout";
        QTest::newRow("About chosen again comes to the front") << 2 << "frmAbout";
    }
    void looksAsChecked()
    {
        QFETCH(int, aboutChoices);
        QFETCH(QString, name);
        QApplication::setCursorFlashTime(0); // a steady text cursor
        m_ui->window.show();
        for (int choice = 0; choice < aboutChoices; ++choice) {
            m_ui->window.activateWindow();
            m_ui->run(QStringLiteral("About"));
        }
        QWidget *shown = nullptr;
        QTRY_COMPARE((shown = QApplication::activeWindow()) ? shown->objectName() : QString(), name);
        QVERIFY(!shown->windowIcon().isNull());
        for (const QWidget *control : shown->findChildren<QWidget *>()) // all found by name, but Qt's own parts
            QVERIFY(!control->objectName().isEmpty() || control == m_ui->window.centralWidget()
                || control->inherits("QScrollBar") || control->inherits("QMenuBar") || control->inherits("QMenu"));
        const QImage seen = shown->grab().toImage();
        const QString checked = QStringLiteral(TAGWRIGHT_PICTURES "/%1.png").arg(name);
        if (seen != QImage(checked).convertToFormat(seen.format())) {
            const QString saved = QDir::temp().filePath(name + QStringLiteral(".png"));
            QVERIFY(seen.save(saved));
            QFAIL(qPrintable(saved + QStringLiteral(" differs from ") + checked));
        }
    }

    // The production dialog, answered as a user would: a save dialog for HTML
    // files that starts in the folder it is given, is big enough for its
    // columns, gives the name column the room that the others leave, and adds
    // ".html" to a name typed without a suffix.
    void desktopSaveDialogAddsTheSuffixAndStartsInTheFolder()
    {
        const QTemporaryDir folder;
        QVariantList shown;
        const auto answer = [&](bool accept) {
            QTimer::singleShot(0, [&, accept] {
                auto *dialog = static_cast<QFileDialog *>(QApplication::activeModalWidget()); // never null here
                const QHeaderView *columns = dialog->findChild<QTreeView *>()->header();
                shown = { dialog->width() >= 800 && dialog->height() >= 500, dialog->directory().absolutePath(),
                    dialog->acceptMode(), columns->sectionResizeMode(0), columns->sectionResizeMode(3),
                    columns->stretchLastSection(), dialog->nameFilters() };
                dialog->selectFile(QStringLiteral("copy"));
                accept ? static_cast<QDialog *>(dialog)->accept() : dialog->reject();
            });
            return app::DesktopFileDialog().choose(nullptr, app::FileDialog::Purpose::Save, folder.path());
        };

        QCOMPARE(answer(true), folder.filePath(QStringLiteral("copy.html")));
        QCOMPARE(shown,
            QVariantList({ true, folder.path(), QFileDialog::AcceptSave, QHeaderView::Stretch,
                QHeaderView::ResizeToContents, false, QStringList { "HTML (*.html *.htm)", "All files (*)" } }));
        QCOMPARE(answer(false), std::nullopt); // cancelled with a name typed
    }

    // The production boxes: Enter gives the default answer, Esc the cautious one.
    void messageBoxesAnswerKeys_data()
    {
        QTest::addColumn<bool>("withCancel");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<Answer>("answer");
        QTest::newRow("Yes No Cancel, Enter") << true << Qt::Key_Return << Answer::Yes;
        QTest::newRow("Yes No Cancel, Esc") << true << Qt::Key_Escape << Answer::Cancel;
        QTest::newRow("Yes No, Enter") << false << Qt::Key_Return << Answer::No;
    }
    void messageBoxesAnswerKeys()
    {
        QFETCH(bool, withCancel);
        QFETCH(Qt::Key, key);
        QFETCH(Answer, answer);
        QTimer::singleShot(0, [key] { QTest::keyClick(QApplication::activeModalWidget(), key); });
        app::MessageBoxPrompts prompts;
        QCOMPARE(withCancel ? prompts.askYesNoCancel(nullptr, {}, {}) : prompts.askYesNo(nullptr, {}, {}), answer);
    }

    // The real program, started with SIGXFSZ at its default action, ignores
    // it before its window is up, so that a write past the file size limit
    // fails as a save with a message. It makes itself ready for saves in one
    // call, whose every part the save tests check.
    void theEditorStartsReadyForSaves()
    {
        QProcess editor;
        editor.setChildProcessModifier([] { ::signal(SIGXFSZ, SIG_DFL); });
        editor.start(QStringLiteral(TAGWRIGHT_EDITOR), {});
        const auto ignoresFileSizeSignal = [&editor] {
            QFile status(QStringLiteral("/proc/%1/status").arg(editor.processId()));
            const QRegularExpression mask(QStringLiteral("\nSigIgn:\\s*(\\w+)"));
            const QString text = status.open(QIODevice::ReadOnly) ? QString::fromLatin1(status.readAll()) : QString();
            return ((mask.match(text).captured(1).toULongLong(nullptr, 16) >> (SIGXFSZ - 1)) & 1) == 1;
        };
        QTRY_VERIFY_WITH_TIMEOUT(ignoresFileSizeSignal(), 20000);
        editor.kill();
        QVERIFY(editor.waitForFinished(20000));
    }
};

QTEST_MAIN(MainWindow)
#include "tst_mainwindow.moc"
