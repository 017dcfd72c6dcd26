#include "WindowUnderTest.h"

#include <DesktopFileDialog.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Answer = app::UserPrompts::Answer;

namespace {

QByteArray preamble(const QByteArray &title, const QByteArray &description, const QByteArray &keywords)
{
    return "<html>\r\n<head>\r\n<meta name=\"Author\" content=\"Corvantis\">\r\n"
           "<meta name=\"GENERATOR\" content=\"Tagwright 2.0\">\r\n<meta name=\"Title\" content=\""
        + title + "\">\r\n<meta name=\"Description\" content=\"" + description
        + "\">\r\n<meta name=\"KeyWords\" content=\"" + keywords + "\">\r\n";
}

QByteArray metaTag(const QByteArray &word, const QByteArray &value)
{
    return "<meta name=\"" + word + "\" content=\"" + value + "\">\r\n";
}

const QByteArray KeptPart = "<title>Cars</title></head><body>Hi</body></html>";
const QByteArray CarPage = "<html><head>\r\n" + metaTag("Description", "Fast cars") + metaTag("KeyWords", "cars, speed")
    + metaTag("Title", "Car page") + KeptPart + "\r\n";

} // namespace

class MainWindowCommands : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowUnderTest> m_ui;
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
        return file.fileName();
    }
    static QByteArray readFile(const QString &name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
    void open(const QString &command, const QString &file)
    {
        m_ui->fileDialog.answers.append(file);
        m_ui->run(command);
    }
    QStringList state()
    {
        return { m_ui->text("Text1"), m_ui->text("Text2"), m_ui->text("Text3"), m_ui->text("Text6"),
            m_ui->text("Text7"), QString::fromLatin1(m_ui->window.pageBuffer().toHex()) };
    }

private slots:
    void init()
    {
        m_ui = std::make_unique<WindowUnderTest>();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
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
        const QByteArray unusable = "<b>Description</b>" + metaTag("Title", "t");
        QTest::newRow("button, all three")
            << "Command1" << CarPage << QStringList { "Car page", "Fast cars", "cars, speed" };
        QTest::newRow("menu, all three") << "Open" << CarPage << QStringList { "Car page", "Fast cars", "cars, speed" };
        QTest::newRow("button, no Title word") << "Command1" << noTitle << QStringList { "old", "d", "k" };
        QTest::newRow("menu, no Title word") << "Open" << noTitle << QStringList { "old", "old", "old" };
        QTest::newRow("unusable value keeps field") << "Command1" << unusable << QStringList { "t", "old", "old" };
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
        const QString file = writeFile(QStringLiteral("page.html"), page);

        open(command, file);

        QCOMPARE(m_ui->fileDialog.showings, QStringList { "open" });
        QCOMPARE((QStringList { m_ui->text("Text1"), m_ui->text("Text2"), m_ui->text("Text3") }), fields);
        QCOMPARE(m_ui->text("Text6"), file);
        QCOMPARE(m_ui->text("Text7"), QStringLiteral("kept"));
        QCOMPARE(m_ui->window.pageBuffer(), page);
        QVERIFY(m_ui->prompts.errors.isEmpty());
    }

    void cancelOrNoChangesNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<std::optional<QString>>("dialog");

        // The open commands ask nothing; the save commands ask before the dialog.
        const QList<std::pair<const char *, QList<Answer>>> withDialog
            = { { "Command1", {} }, { "Open", {} }, { "Command2", { Answer::Yes } }, { "saveas", { Answer::Yes } } };
        for (const auto &[command, answers] : withDialog) {
            QTest::addRow("%s, dialog cancelled", command) << command << answers << std::optional<QString>();
            QTest::addRow("%s, empty name", command) << command << answers << std::optional<QString>(QString());
        }
        for (const char *command : { "Command4", "save", "Command2", "saveas" }) {
            QTest::addRow("%s, No", command) << command << QList<Answer> { Answer::No } << std::optional<QString>();
            QTest::addRow("%s, Cancel", command)
                << command << QList<Answer> { Answer::Cancel } << std::optional<QString>();
        }
    }
    void cancelOrNoChangesNothing()
    {
        QFETCH(QString, command);
        QFETCH(QList<Answer>, answers);
        QFETCH(std::optional<QString>, dialog);
        const QString file = writeFile(QStringLiteral("page.html"), CarPage);
        open(QStringLiteral("Command1"), file);
        m_ui->line("Text7")->setText(QStringLiteral("earlier"));
        const QStringList before = state();

        m_ui->prompts.answers = answers;
        m_ui->fileDialog.answers = { dialog };
        m_ui->run(command);

        QCOMPARE(state(), before);
        QVERIFY(m_ui->prompts.errors.isEmpty());
        QCOMPARE(readFile(file), CarPage);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList { "page.html" });
    }

    void saveWritesPreambleAndKeptPart_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<bool>("showsNewPath");
        QTest::newRow("Save button") << "Command4" << true << false;
        QTest::newRow("File > Save") << "save" << true << false;
        QTest::newRow("Save As button") << "Command2" << false << true;
        QTest::newRow("File > Save As") << "saveas" << false << false;
    }
    void saveWritesPreambleAndKeptPart()
    {
        QFETCH(QString, command);
        QFETCH(bool, inPlace);
        QFETCH(bool, showsNewPath);
        const QString opened = writeFile(QStringLiteral("page.html"), CarPage);
        open(QStringLiteral("Command1"), opened);
        typeText(m_ui->field("Text1"), QStringLiteral("New "));
        const QString target = inPlace ? opened : path(QStringLiteral("new.html"));

        m_ui->prompts.answers = { Answer::Yes };
        m_ui->fileDialog.answers = { target };
        m_ui->run(command);

        QCOMPARE(m_ui->prompts.questions, QStringList { "Tagwright 2.0|Are you sure?" });
        QCOMPARE(m_ui->fileDialog.showings.size(), inPlace ? 1 : 2);
        QCOMPARE(m_ui->fileDialog.showings.last(), inPlace ? "open" : "save");
        // Before any open the dialog starts where the program was started,
        // then in the opened page's folder.
        QCOMPARE(m_ui->fileDialog.folders.first(), QString());
        if (!inPlace)
            QCOMPARE(m_ui->fileDialog.folders.last(), m_dir->path());
        QCOMPARE(readFile(target), preamble("New Car page", "Fast cars", "cars, speed") + KeptPart + "\r\n");
        QCOMPARE(m_ui->window.pageBuffer(), KeptPart);
        QCOMPARE(m_ui->text("Text7"), showsNewPath ? target : QString());
        if (!inPlace)
            QCOMPARE(readFile(opened), CarPage);
    }

    // The production dialog, answered as a user would: it starts in the folder
    // it is given, is big enough for its columns, and adds ".html" to a name
    // typed for saving without a suffix.
    void desktopSaveDialogAddsTheSuffixAndStartsInTheFolder()
    {
        app::DesktopFileDialog dialog;
        QSize shownSize;
        QString shownFolder;
        QTimer::singleShot(0, [&] {
            auto *shown = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!shown)
                return;
            shownSize = shown->size();
            shownFolder = shown->directory().absolutePath();
            shown->selectFile(QStringLiteral("copy"));
            static_cast<QDialog *>(shown)->accept();
        });
        const std::optional<QString> chosen = dialog.choose(nullptr, app::FileDialog::Purpose::Save, m_dir->path());

        QVERIFY2(shownSize.width() >= 800 && shownSize.height() >= 500,
            qPrintable(QStringLiteral("%1 x %2").arg(shownSize.width()).arg(shownSize.height())));
        QCOMPARE(shownFolder, m_dir->path());
        QCOMPARE(chosen, path(QStringLiteral("copy.html")));
    }

    void resetKeepsPageForSaveAsButNotForSave()
    {
        const QString opened = writeFile(QStringLiteral("page.html"), CarPage);
        open(QStringLiteral("Command1"), opened);
        m_ui->line("Text7")->setText(QStringLiteral("earlier"));
        m_ui->run(QStringLiteral("Command5"));
        QCOMPARE(state(), (QStringList { "", "", "", "", "", QString::fromLatin1(CarPage.toHex()) }));

        m_ui->prompts.answers = { Answer::Yes, Answer::Yes };
        m_ui->run(QStringLiteral("Command4"));
        QCOMPARE(m_ui->prompts.questions.size(), 1);
        QCOMPARE(readFile(opened), CarPage);
        QCOMPARE(m_ui->window.pageBuffer(), CarPage);

        const QString target = path(QStringLiteral("new.html"));
        m_ui->fileDialog.answers = { target };
        m_ui->run(QStringLiteral("saveas"));
        QCOMPARE(readFile(target), preamble("", "", "") + KeptPart + "\r\n");
    }

    void saveBeforeAnyOpen()
    {
        m_ui->prompts.answers = { Answer::Yes, Answer::Yes };
        m_ui->run(QStringLiteral("save"));
        QCOMPARE(m_ui->prompts.questions.size(), 1);
        QVERIFY(m_ui->fileDialog.showings.isEmpty());

        const QString target = path(QStringLiteral("new.html"));
        m_ui->fileDialog.answers = { target };
        m_ui->run(QStringLiteral("Command2"));
        QCOMPARE(readFile(target), preamble("", "", "") + "Text10\r\n\r\n");
    }

    void saveRecreatesAnOpenedFileThatDisappeared()
    {
        const QString opened = writeFile(QStringLiteral("page.html"), CarPage);
        open(QStringLiteral("Open"), opened);
        QVERIFY(QFile::remove(opened));
        // Yes to "Are you sure?", then Yes to overwriting a file that changed on disk.
        m_ui->prompts.answers = { Answer::Yes, Answer::Yes };
        m_ui->run(QStringLiteral("Command4"));
        QCOMPARE(readFile(opened), preamble("Car page", "Fast cars", "cars, speed") + KeptPart + "\r\n");
    }

    void failedOpenChangesNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("name");
        QTest::newRow("button, missing file") << "Command1"
                                              << "missing.html";
        QTest::newRow("menu, missing file") << "Open"
                                            << "missing.html";
        QTest::newRow("button, a folder") << "Command1"
                                          << "folder";
    }
    void failedOpenChangesNothing()
    {
        QFETCH(QString, command);
        QFETCH(QString, name);
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder")));
        open(QStringLiteral("Command1"), writeFile(QStringLiteral("page.html"), CarPage));
        const QStringList before = state();

        open(command, path(name));

        QCOMPARE(state(), before);
        QCOMPARE(m_ui->prompts.errors.size(), 1);
        QVERIFY(m_ui->prompts.errors.first().contains(QDir::toNativeSeparators(path(name))));
    }

    void failedSaveChangesNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("Save button") << "Command4";
        QTest::newRow("File > Save") << "save";
        QTest::newRow("Save As button") << "Command2";
        QTest::newRow("File > Save As") << "saveas";
    }
    void failedSaveChangesNothing()
    {
        QFETCH(QString, command);
        open(QStringLiteral("Command1"), writeFile(QStringLiteral("page.html"), CarPage));
        const QString target = path(QStringLiteral("no such folder/page.html"));
        m_ui->line("Text6")->setText(target);
        m_ui->line("Text7")->setText(QStringLiteral("earlier"));
        const QStringList before = state();

        m_ui->prompts.answers = { Answer::Yes };
        m_ui->fileDialog.answers = { target };
        m_ui->run(command);

        QCOMPARE(state(), before);
        QCOMPARE(m_ui->prompts.errors.size(), 1);
        QVERIFY(m_ui->prompts.errors.first().contains(QDir::toNativeSeparators(target)));
        QVERIFY(m_ui->prompts.errors.first().contains(QStringLiteral("No file was created.")));
        QVERIFY(!QFile::exists(target));
    }

    void valuesWrittenBack_data()
    {
        QTest::addColumn<QByteArray>("value"); // as it stands in the opened page
        QTest::addColumn<QByteArray>("kept"); // the part of the page written after the preamble
        QTest::addColumn<QString>("typed"); // into the Title field after the open
        QTest::addColumn<QByteArray>("written");

        const QByteArray utf8Kept = "<title>Caf\xc3\xa9</title></html>";
        const QByteArray latinKept = "<title>Caf\xe9</title></html>";
        QTest::newRow("untouched lone LF") << QByteArray("a\nb") << KeptPart << QString() << QByteArray("a\nb");
        QTest::newRow("untouched lone CR") << QByteArray("a\rb") << KeptPart << QString() << QByteArray("a\rb");
        QTest::newRow("untouched windows-1252 in UTF-8 page")
            << QByteArray("caf\xe9 \x80") << utf8Kept << QString() << QByteArray("caf\xe9 \x80");
        QTest::newRow("edited lone LF becomes CR LF") << QByteArray("a\nb") << KeptPart << "!" << QByteArray("!a\r\nb");
        QTest::newRow("\u00fc typed into UTF-8 page") << QByteArray("caf") << utf8Kept << QStringLiteral("\u00fc")
                                                      << QByteArray("\xc3\xbc"
                                                                    "caf");
        QTest::newRow("\u00fc typed into windows-1252 page")
            << QByteArray("caf") << latinKept << QStringLiteral("\u00fc")
            << QByteArray("\xfc"
                          "caf");
        QTest::newRow("Enter typed") << QByteArray("ab") << KeptPart << "\n" << QByteArray("\r\nab");
        QTest::newRow("cut value re-encoded") << QByteArray(510, 'x') + "\n\n\n"
                                              << KeptPart << QString() << QByteArray(510, 'x') + "\r\n\r\n";
    }
    void valuesWrittenBack()
    {
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, kept);
        QFETCH(QString, typed);
        QFETCH(QByteArray, written);
        open(QStringLiteral("Command1"), writeFile(QStringLiteral("page.html"), metaTag("Title", value) + kept));
        app::MetaFieldEdit *title = m_ui->field("Text1");
        title->moveCursor(QTextCursor::Start);
        typeText(title, typed);

        const QString target = path(QStringLiteral("new.html"));
        m_ui->prompts.answers = { Answer::Yes };
        m_ui->fileDialog.answers = { target };
        m_ui->run(QStringLiteral("saveas"));

        QCOMPARE(readFile(target), preamble(written, "", "") + kept + "\r\n");
    }

    // The first save cuts the buffer to the title tag, declaration and all;
    // the second still encodes by what the page was read as.
    void saveAfterACutKeepsTheEncodingReadAtOpen_data()
    {
        QTest::addColumn<QByteArray>("head"); // before the title tag, cut by the first save
        QTest::addColumn<QByteArray>("kept");
        QTest::addColumn<QByteArray>("written"); // for "é" typed before the second save

        QTest::newRow("ISO-8859-1 declared, ASCII kept part")
            << QByteArray("<meta charset=\"iso-8859-1\">") << KeptPart << QByteArray("\xe9");
        QTest::newRow("UTF-8 declared, windows-1252 byte in the kept part")
            << QByteArray("<meta charset=utf-8>") << QByteArray("<title>Caf\xe9</title></html>")
            << QByteArray("\xc3\xa9");
    }
    void saveAfterACutKeepsTheEncodingReadAtOpen()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, kept);
        QFETCH(QByteArray, written);
        open(QStringLiteral("Command1"), writeFile(QStringLiteral("page.html"), head + metaTag("Title", "t") + kept));
        m_ui->prompts.answers = { Answer::Yes };
        m_ui->run(QStringLiteral("Command4"));
        QCOMPARE(m_ui->window.pageBuffer(), kept);

        app::MetaFieldEdit *title = m_ui->field("Text1");
        title->moveCursor(QTextCursor::Start);
        typeText(title, QStringLiteral("\u00e9"));
        const QString target = path(QStringLiteral("new.html"));
        m_ui->prompts.answers = { Answer::Yes };
        m_ui->fileDialog.answers = { target };
        m_ui->run(QStringLiteral("saveas"));

        QCOMPARE(readFile(target), preamble(written + "t", "", "") + kept + "\r\n");
        QVERIFY(m_ui->prompts.errors.isEmpty());
    }
};

QTEST_MAIN(MainWindowCommands)
#include "tst_mainwindowcommands.moc"
