#include "PageFiles.h"

#include <BatchCommands.h>
#include <OutputPath.h>
#include <PageEdit.h>
#include <SheetFormat.h>
#include <SheetReader.h>
#include <ShownPage.h>

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

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

const QByteArray DoctypePage = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                               "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                               "<title>Shop</title></head><body>Hi</body></html>\n<script src=\"x.js\"></script>\n";

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
    void dryRunSaysWhatTheRunWouldDo_data();
    void dryRunSaysWhatTheRunWouldDo();
    void outputFolderLeavesThePagesAlone_data();
    void outputFolderLeavesThePagesAlone();
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

    // An unedited row leaves its page alone: same bytes, same time.
    QTest::newRow("UTF-8 page, tab and backslash unedited") << Utf8Page << QString() << QString() << QString();
    QTest::newRow("windows-1252 page unedited") << Windows1252Page << QString() << QString() << QString();
    QTest::newRow("CR LF, lone LF and lone CR unedited")
        << QByteArray("<meta name=\"Title\" content=\"a\r\nb\nc\rd\"><title>x</title></html>") << QString() << QString()
        << QString();
    QTest::newRow("missing and unusable values unedited")
        << QByteArray("<meta name=\"KeyWords\"><title>Title</title></html>") << QString() << QString() << QString();
    QTest::newRow("DOCTYPE, charset and no title tag unedited")
        << DoctypePage.sliced(0, 90) << QString() << QString() << QString();
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

    QVERIFY(pagefiles::WriteOld(path("page.html"), page));
    const pagefiles::OnDisk before = pagefiles::StateOf(path("page.html"));
    cli::ShownPage shown = cli::ShowPage(QStringLiteral("page.html"), page);
    if (!editedTitle.isNull())
        shown.values[metatags::MetaTag::Title].value.text = editedTitle;

    Captured run;
    QCOMPARE(cli::RunApply(QStringLiteral("pages.tsv"), cli::ReadSheet(cli::SheetHeader() + cli::SheetLine(shown)), {},
                 run.console),
        int { cli::Success });

    if (editedTitle.isNull()) {
        QCOMPARE(pagefiles::StateOf(path("page.html")), before);
        QCOMPARE(run.err.data(), QByteArray("tagwright-batch: pages.tsv: 0 written, 1 unchanged, 0 failed\n"));
        return;
    }
    QCOMPARE(pagefiles::Read(path("page.html")),
        pagefiles::SavedByEditor(page, path("editor.html"), { typedTitle, std::nullopt, std::nullopt }));
    // What was written reads back as the sheet said, but for line ends and
    // characters the page's encoding cannot hold.
    const cli::ShownPage reread = cli::ShowPage(QStringLiteral("page.html"), pagefiles::Read(path("page.html")));
    QCOMPARE(reread.values[metatags::MetaTag::Title].value.text, readBack);
    for (const metatags::MetaTag tag : { metatags::MetaTag::Description, metatags::MetaTag::KeyWords })
        QCOMPARE(reread.values[tag].value.text, shown.values[tag].value.text);
}

void TestBatchApply::aBadRowIsReportedAndTheOthersWritten_data()
{
    QTest::addColumn<QByteArray>("badLine");
    QTest::addColumn<QByteArray>("reported");

    QTest::newRow("missing page") << QByteArray("gone.html\tT\n") << QByteArray("gone.html: No such file");
    QTest::newRow("folder instead of a page") << QByteArray("sub\tT\n") << QByteArray("sub: ");
    QTest::newRow("page listed twice") << QByteArray("a.html\tT\n") << QByteArray("line 2");
    QTest::newRow("page listed again through a link") << QByteArray("alias.html\tT\n") << QByteArray("line 2");
    QTest::newRow("a path that reads as a listed page but names another file")
        << QByteArray("linked/../a.html\tT\n") << QByteArray("linked/../a.html: No such file");
    QTest::newRow("broken cell") << QByteArray("b.html\tC:\\web\n") << QByteArray("title");
    QTest::newRow("value holding >") << QByteArray("c.html\ta > b\n")
                                     << QByteArray("c.html: the title value holds \">\"");
    QTest::newRow("page without a title tag")
        << QByteArray("untitled.html\tT\n") << QByteArray("untitled.html: it has no <title> or <TITLE> tag");
    QTest::newRow("control characters in a file name")
        << QByteArray("gone\x1b[2J\x7f.html\tT\n") << QByteArray("gone\\u001b[2J\\u007f.html: No such file");
    QTest::newRow("page in UTF-16") << QByteArray("utf16.html\tT\n") << QByteArray("UTF-16");
}

void TestBatchApply::aBadRowIsReportedAndTheOthersWritten()
{
    QFETCH(QByteArray, badLine);
    QFETCH(QByteArray, reported);

    QVERIFY(QDir().mkpath(path("sub/inner")));
    QVERIFY(QFile::link(path("sub/inner"), path("linked")));
    QVERIFY(pagefiles::Write(path("a.html"), Utf8Page));
    QVERIFY(QFile::link(path("a.html"), path("alias.html")));
    QVERIFY(pagefiles::Write(path("b.html"), Windows1252Page));
    QVERIFY(pagefiles::WriteOld(path("c.html"), Utf8Page));
    QVERIFY(pagefiles::WriteOld(path("untitled.html"), "<meta name=\"Title\" content=\"x\">"));
    const pagefiles::OnDisk c = pagefiles::StateOf(path("c.html"));
    const pagefiles::OnDisk untitled = pagefiles::StateOf(path("untitled.html"));
    QVERIFY(pagefiles::Write(path("utf16.html"), QByteArray("\xff\xfe<title>x</title></html>")));
    const QByteArray sheet = "path\ttitle\na.html\tNew A\n" + badLine + "b.html\tNew B\n";

    Captured run;
    QCOMPARE(
        cli::RunApply(QStringLiteral("pages.tsv"), cli::ReadSheet(sheet), {}, run.console), int { cli::PageFailed });

    const QList<QByteArray> messages = run.err.data().split('\n');
    QCOMPARE(messages.size(), 3);
    QVERIFY2(messages[0].startsWith("tagwright-batch: pages.tsv:3: ") && messages[0].contains(reported),
        messages[0].constData());
    QCOMPARE(messages[1], "tagwright-batch: pages.tsv: 2 written, 0 unchanged, 1 failed");
    QCOMPARE(pagefiles::Read(path("a.html")),
        pagefiles::SavedByEditor(Utf8Page, path("a.saved"), { QStringLiteral("New A"), {}, {} }));
    QCOMPARE(pagefiles::Read(path("b.html")),
        pagefiles::SavedByEditor(Windows1252Page, path("b.saved"), { QStringLiteral("New B"), {}, {} }));
    QCOMPARE(pagefiles::StateOf(path("c.html")), c);
    QCOMPARE(pagefiles::StateOf(path("untitled.html")), untitled);
}

void TestBatchApply::dryRunSaysWhatTheRunWouldDo_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<bool>("wholePage");
    QTest::addColumn<bool>("hardLinked"); // the page has a second name, which a save refuses
    QTest::addColumn<QByteArray>("said");
    QTest::addColumn<QByteArray>("summary");

    QTest::newRow("edited values") << Utf8Page << QByteArray("a.html\tNew\n") << false << false
                                   << QByteArray("a.html: would change\n  title: \"Caf\xC3\xA9\" -> \"New\"\n"
                                                 "  keywords: (missing) -> \"\"\n")
                                   << QByteArray("1 would change, 0 unchanged, 0 would fail");
    QTest::newRow("DOCTYPE, charset and viewport are dropped")
        << DoctypePage << QByteArray("a.html\tNew\n") << false << false
        << QByteArray("a.html: would change\n  title: (missing) -> \"New\"\n  description: (missing) -> \"\"\n"
                      "  keywords: (missing) -> \"\"\n  drops 130 bytes before <title>: <!DOCTYPE html>, "
                      "<html lang=\"en\">, <meta charset=\"utf-8\">, <meta name=\"viewport\" \xE2\x80\xA6>\n"
                      "  drops 30 bytes after </html>: <script src=\"x.js\">\n")
        << QByteArray("1 would change");
    QTest::newRow("text before the title tag is dropped")
        << QByteArray("Hello <b>draft</b> <title>x</title></html>") << QByteArray("a.html\tNew\n") << false << false
        << QByteArray("  drops 19 bytes before <title>: <b>, text\n") << QByteArray("1 would change");
    QTest::newRow("no title tag") << QByteArray("<h1>Hi</h1>") << QByteArray("a.html\tNew\n") << false << false
                                  << QByteArray("a.html: would fail: it has no <title> or <TITLE> tag")
                                  << QByteArray("0 would change, 0 unchanged, 1 would fail");
    QTest::newRow("no title tag, whole page")
        << QByteArray("<h1>Hi</h1>") << QByteArray("a.html\tNew\n") << true << false
        << QByteArray("  has no <title> tag: the preamble goes in front") << QByteArray("1 would change");
    QTest::newRow("value holding >") << Utf8Page << QByteArray("a.html\t<b>New</b>\n") << false << false
                                     << QByteArray("a.html: would fail: the title value holds \">\"")
                                     << QByteArray("1 would fail");
    QTest::newRow("a page in UTF-16") << QByteArray("\xff\xfe<title>x</title></html>") << QByteArray("a.html\tNew\n")
                                      << false << false << QByteArray("a.html: would fail: it is in UTF-16")
                                      << QByteArray("0 would change, 0 unchanged, 1 would fail");
    QTest::newRow("a page with two names") << Utf8Page << QByteArray("a.html\tNew\n") << false << true
                                           << QByteArray("a.html: would fail: It is one file with 2 names (hard links)")
                                           << QByteArray("0 would change, 0 unchanged, 1 would fail");
    QTest::newRow("control characters in a value are escaped")
        << Utf8Page << QByteArray("a.html\tNew\x1b[2J\x7f\xc2\x9b\n") << false << false
        << QByteArray("  title: \"Caf\xC3\xA9\" -> \"New\\u001b[2J\\u007f\\u009b\"\n") << QByteArray("1 would change");
    QTest::newRow("unedited") << DoctypePage << QByteArray("a.html\t\n") << false << false
                              << QByteArray("a.html: unchanged\n") << QByteArray("0 would change, 1 unchanged");
}

void TestBatchApply::dryRunSaysWhatTheRunWouldDo()
{
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, row);
    QFETCH(bool, wholePage);
    QFETCH(bool, hardLinked);
    QFETCH(QByteArray, said);
    QFETCH(QByteArray, summary);

    QVERIFY(pagefiles::WriteOld(path("a.html"), page));
    if (hardLinked)
        QCOMPARE(::link("a.html", "b.html"), 0);
    const pagefiles::OnDisk before = pagefiles::StateOf(path("a.html"));
    Captured run;
    const int status = cli::RunApply(
        QStringLiteral("pages.tsv"), cli::ReadSheet("path\ttitle\n" + row), { true, {}, wholePage }, run.console);

    QCOMPARE(status, int { summary.endsWith("1 would fail") ? cli::PageFailed : cli::Success });
    QVERIFY2(run.out.data().startsWith(said) || run.out.data().contains("\n" + said), run.out.data().constData());
    QVERIFY2(run.err.data().contains(summary), run.err.data().constData());
    QCOMPARE(pagefiles::StateOf(path("a.html")), before);
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files).size(), hardLinked ? 2 : 1);
}

void TestBatchApply::outputFolderLeavesThePagesAlone_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<QByteArray>("reported"); // empty: every row is written under the folder

    QTest::newRow("relative paths") << QStringLiteral("out") << QByteArray("site/a.html\tparts\n") << QByteArray();
    QTest::newRow("-o . maps the page onto itself")
        << QStringLiteral(".") << QByteArray("site/a.html\tparts\n") << QByteArray("the page itself");
    QTest::newRow("-o onto another page of the sheet")
        << QStringLiteral("site") << QByteArray("site/a.html\tparts\na.html\tparts\n")
        << QByteArray("pages.tsv:3: a.html: it would be written to site/a.html, which is the page on line 2");
    QTest::newRow("two rows to one output file")
        << QStringLiteral("out") << QByteArray("site/a.html\tparts\nx/../site/a.html\tparts\n")
        << QByteArray("as is the page on line 2");
}

void TestBatchApply::outputFolderLeavesThePagesAlone()
{
    QFETCH(QString, folder);
    QFETCH(QByteArray, rows);
    QFETCH(QByteArray, reported);

    // x/../site/a.html is another page than site/a.html, since x is a linked
    // folder, but its output path is the same.
    QVERIFY(QDir().mkpath(path("site")));
    QVERIFY(QDir().mkpath(path("elsewhere/deep")));
    QVERIFY(QDir().mkpath(path("elsewhere/site")));
    QVERIFY(QFile::link(path("elsewhere/deep"), path("x")));
    QVERIFY(pagefiles::Write(path("elsewhere/site/a.html"), Utf8Page));
    QVERIFY(pagefiles::WriteOld(QStringLiteral("site/a.html"), Utf8Page));
    QVERIFY(pagefiles::WriteOld(QStringLiteral("a.html"), Windows1252Page));
    const pagefiles::OnDisk site = pagefiles::StateOf(QStringLiteral("site/a.html"));
    const pagefiles::OnDisk top = pagefiles::StateOf(QStringLiteral("a.html"));

    Captured run;
    const int status = cli::RunApply(
        QStringLiteral("pages.tsv"), cli::ReadSheet("path\tkeywords\n" + rows), { false, folder }, run.console);

    QCOMPARE(pagefiles::StateOf(QStringLiteral("site/a.html")), site);
    QCOMPARE(pagefiles::StateOf(QStringLiteral("a.html")), top);
    if (!reported.isEmpty()) {
        QCOMPARE(status, int { cli::PageFailed });
        QVERIFY2(run.err.data().contains(reported), run.err.data().constData());
        return;
    }
    QCOMPARE(status, int { cli::Success });
    QCOMPARE(pagefiles::Read(QStringLiteral("out/site/a.html")),
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
