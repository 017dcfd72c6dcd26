#include "PageFiles.h"

#include <BatchCommands.h>
#include <OutputPath.h>
#include <PageEdit.h>
#include <SheetFormat.h>
#include <SheetReader.h>
#include <ShownPage.h>

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using cli::GivenValues;

namespace {

const QByteArray Utf8Page = "<html><head>\r\n"
                            R"(<meta name="Title" content="Caf)"
                            "\xC3\xA9"
                            R"(">)"
                            "\r\n"
                            R"(<meta name="Description" content="Tools	and\parts">)"
                            "\r\n<title>Shop</title></head><body>Hi</body></html>\r\n";
const QByteArray Windows1252Page = "<html><head>\r\n"
                                   R"(<meta name="KeyWords" content="caf)"
                                   "\xE9, \x80"
                                   R"(">)"
                                   "\r\n<title>Caf\xE9</title></head><body>Title</body></html>";

// Runs a command with the console going to buffers.
struct Captured
{
    QBuffer out;
    QBuffer err;
    cli::Console console { out, err, false };

    Captured()
    {
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
    }
};

} // namespace

class TestBatchApply : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void sheetRoundTripSavesAsTheEditor_data();
    void sheetRoundTripSavesAsTheEditor();
    void aBadRowIsReportedAndTheOthersWritten_data();
    void aBadRowIsReportedAndTheOthersWritten();
    void dryRunWritesNothing();
    void outputFolderLeavesTheOriginals();
    void outputPathsStayInsideTheFolder_data();
    void outputPathsStayInsideTheFolder();

private:
    QString path(const QString &name) const { return m_folder->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_folder;
};

void TestBatchApply::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    QVERIFY(QDir::setCurrent(m_folder->path()));
}

void TestBatchApply::sheetRoundTripSavesAsTheEditor_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("editedTitle"); // null: the sheet is applied as show wrote it
    QTest::addColumn<QString>("typedTitle"); // what the editor's field holds for it
    QTest::addColumn<QString>("readBack"); // what the written page gives for it

    QTest::newRow("UTF-8 page, tab and backslash unchanged") << Utf8Page << QString() << QString() << QString();
    QTest::newRow("windows-1252 page unchanged") << Windows1252Page << QString() << QString() << QString();
    QTest::newRow("CR LF, lone LF and lone CR unchanged")
        << QByteArray("<meta name=\"Title\" content=\"a\r\nb\nc\rd\"><title>x</title></html>") << QString() << QString()
        << QString();
    QTest::newRow("missing and unusable values")
        << QByteArray("<title>Title</title></html>") << QString() << QString() << QString();
    QTest::newRow("edited to awkward text on a UTF-8 page")
        << Utf8Page << QStringLiteral("a\tb\r\nc\\ \u00e9\u20ac") << QStringLiteral("a\tb\nc\\ \u00e9\u20ac")
        << QStringLiteral("a\tb\r\nc\\ \u00e9\u20ac");
    QTest::newRow("edited to non-ASCII on a windows-1252 page")
        << Windows1252Page << QStringLiteral("\u00e9 \u20ac \u4e2d") << QStringLiteral("\u00e9 \u20ac \u4e2d")
        << QStringLiteral("\u00e9 \u20ac &#20013;");
    // The save cuts the declaration away; the references read the same in any encoding.
    QTest::newRow("edited on a page declaring Shift_JIS")
        << QByteArray(
               "<meta charset=shift_jis><meta name=\"Title\" content=\"\x93\xfa\x96\x7b\"><title>x</title></html>")
        << QStringLiteral("\u65e5\u672c\u8a9e") << QStringLiteral("\u65e5\u672c\u8a9e")
        << QStringLiteral("&#26085;&#26412;&#35486;");
}

void TestBatchApply::sheetRoundTripSavesAsTheEditor()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, editedTitle);
    QFETCH(QString, typedTitle);
    QFETCH(QString, readBack);

    QVERIFY(pagefiles::Write(path("page.html"), page));
    cli::ShownPage shown = cli::ShowPage(QStringLiteral("page.html"), page);
    if (!editedTitle.isNull())
        shown.values[0].text = editedTitle;
    const cli::Sheet sheet = cli::ReadSheet(cli::SheetHeader() + cli::SheetLine(shown));
    QCOMPARE(sheet.rows.size(), std::size_t(1));
    const cli::SheetRow &row = sheet.rows.front();
    QCOMPARE(row.error, QString());

    QCOMPARE(cli::ApplyEdit({ row.path, row.path, row.values }), std::nullopt);

    GivenValues typed;
    if (!editedTitle.isNull())
        typed[0] = typedTitle;
    QCOMPARE(pagefiles::Read(path("page.html")), pagefiles::SavedByEditor(page, path("editor.html"), typed));
    // What was written reads back as the sheet said, but for line ends and
    // characters the page's encoding cannot hold.
    const cli::ShownPage reread = cli::ShowPage(row.path, pagefiles::Read(path("page.html")));
    if (!editedTitle.isNull())
        QCOMPARE(reread.values[0].text, readBack);
    for (std::size_t i = editedTitle.isNull() ? 0 : 1; i < shown.values.size(); ++i)
        QCOMPARE(reread.values[i].text, shown.values[i].text);
}

void TestBatchApply::aBadRowIsReportedAndTheOthersWritten_data()
{
    QTest::addColumn<QByteArray>("badLine");
    QTest::addColumn<QByteArray>("reported");

    QTest::newRow("missing page") << QByteArray("gone.html\tT\n") << QByteArray("gone.html");
    QTest::newRow("folder instead of a page") << QByteArray("sub\tT\n") << QByteArray("sub");
    QTest::newRow("page listed twice") << QByteArray("a.html\tT\n") << QByteArray("line 2");
    QTest::newRow("broken cell") << QByteArray("b.html\tC:\\web\n") << QByteArray("title");
    QTest::newRow("page in UTF-16") << QByteArray("utf16.html\tT\n") << QByteArray("UTF-16");
}

void TestBatchApply::aBadRowIsReportedAndTheOthersWritten()
{
    QFETCH(QByteArray, badLine);
    QFETCH(QByteArray, reported);

    QVERIFY(QDir().mkdir(path("sub")));
    QVERIFY(pagefiles::Write(path("a.html"), Utf8Page));
    QVERIFY(pagefiles::Write(path("b.html"), Windows1252Page));
    QVERIFY(pagefiles::Write(path("utf16.html"), QByteArray("\xff\xfe<title>x</title></html>")));
    const QByteArray sheet = "path\ttitle\na.html\tNew A\n" + badLine + "b.html\tNew B\n";

    Captured run;
    QCOMPARE(cli::RunApply(QStringLiteral("pages.tsv"), sheet, {}, run.console), int { cli::PageFailed });

    const QByteArray err = run.err.data();
    QVERIFY2(err.startsWith("pages.tsv:3: ") && err.contains(reported), err.constData());
    QCOMPARE(pagefiles::Read(path("a.html")),
        pagefiles::SavedByEditor(Utf8Page, path("a.saved"), { QStringLiteral("New A") }));
    QCOMPARE(pagefiles::Read(path("b.html")),
        pagefiles::SavedByEditor(Windows1252Page, path("b.saved"), { QStringLiteral("New B") }));
}

void TestBatchApply::dryRunWritesNothing()
{
    QVERIFY(pagefiles::Write(path("a.html"), Utf8Page));
    const QByteArray sheet = "path\ttitle\na.html\tNew\n";

    Captured run;
    QCOMPARE(cli::RunApply(QStringLiteral("pages.tsv"), sheet, { true, {} }, run.console), int { cli::Success });

    QCOMPARE(pagefiles::Read(path("a.html")), Utf8Page);
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files), QStringList { QStringLiteral("a.html") });
    QCOMPARE(run.out.data(),
        QByteArray("a.html: would change\n  title: \"Caf\xC3\xA9\" -> \"New\"\n  keywords: (missing) -> \"\"\n"));
}

void TestBatchApply::outputFolderLeavesTheOriginals()
{
    QVERIFY(QDir().mkdir(path("site")));
    QVERIFY(pagefiles::Write(path("site/a.html"), Utf8Page));
    const QByteArray sheet = "path\tkeywords\nsite/a.html\tparts\n";

    Captured run;
    QCOMPARE(cli::RunApply(QStringLiteral("pages.tsv"), sheet, { false, QStringLiteral("out") }, run.console),
        int { cli::Success });

    QCOMPARE(pagefiles::Read(path("site/a.html")), Utf8Page);
    QCOMPARE(pagefiles::Read(path("out/site/a.html")),
        pagefiles::SavedByEditor(
            Utf8Page, path("saved.html"), { std::nullopt, std::nullopt, QStringLiteral("parts") }));
}

void TestBatchApply::outputPathsStayInsideTheFolder_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("expected");

    QTest::newRow("relative") << QStringLiteral("site/a.html") << QStringLiteral("out/site/a.html");
    QTest::newRow("dot segments") << QStringLiteral("./site/../b.html") << QStringLiteral("out/b.html");
    QTest::newRow("absolute") << QStringLiteral("/var/www/a.html") << QStringLiteral("out/var/www/a.html");
    QTest::newRow("climbing out") << QStringLiteral("../a.html")
                                  << QStringLiteral("out") + QFileInfo(QStringLiteral("../a.html")).absoluteFilePath();
}

void TestBatchApply::outputPathsStayInsideTheFolder()
{
    QFETCH(QString, page);
    QFETCH(QString, expected);

    QCOMPARE(cli::OutputPathUnder(QStringLiteral("out"), page), expected);
}

QTEST_GUILESS_MAIN(TestBatchApply)
#include "tst_batchapply.moc"
