#include "PageFiles.h"

#include <Audit.h>
#include <AuditFindings.h>
#include <CommandLine.h>
#include <FolderWalk.h>
#include <ResultText.h>
#include <TextWidth.h>

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using cli::Finding;

namespace {

const QByteArray GoodTitle = "Hand tools and spare parts for the workshop";
const QByteArray GoodDescription
    = "Saws, drills and clamps sorted by trade, with spare parts that ship on the same working day.";

QByteArray metaTag(const QByteArray &word, const QByteArray &content)
{
    return "<meta name=\"" + word + "\" content=\"" + content + "\">\r\n";
}

QByteArray goodMetas(const QByteArray &keywords = "tools, parts")
{
    return metaTag("Title", GoodTitle) + metaTag("Description", GoodDescription) + metaTag("KeyWords", keywords);
}

const QByteArray Head = "<html><head>\r\n";
const QByteArray Tail = "</head><body>Hi</body></html>\r\n";

QByteArray page(const QByteArray &metas, const QByteArray &head = Head, const QByteArray &tail = Tail)
{
    return head + metas + "<title>Shop</title>" + tail;
}

// A row as "field finding: detail".
QString rowText(const cli::AuditRow &row)
{
    return QStringLiteral("%1 %2: %3").arg(cli::FieldColumn(row.field), cli::FindingName(row.finding), row.detail);
}

struct Fonts
{
    metatags::Result<cli::TextWidth> title = cli::TextWidth::Load(cli::SearchResultFontFile(), 20);
    metatags::Result<cli::TextWidth> description = cli::TextWidth::Load(cli::SearchResultFontFile(), 14);
    cli::ResultFonts result() const { return { &title.value(), &description.value() }; }
};

struct Captured
{
    QBuffer out;
    QBuffer err;
    QBuffer in;
    cli::Console console { out, err, false };

    Captured()
    {
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        in.open(QIODevice::ReadOnly);
    }
};

} // namespace

class TestAudit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findingsOfOnePage_data();
    void findingsOfOnePage();
    void duplicatesNameTheOtherPages_data();
    void duplicatesNameTheOtherPages();
    void theReportKeepsEachFieldsRowsTogether_data();
    void theReportKeepsEachFieldsRowsTogether();
    void pixelWidthsAreTheFontsAdvances_data();
    void pixelWidthsAreTheFontsAdvances();
    void textAsASearchResultShowsIt_data();
    void textAsASearchResultShowsIt();
    void aFolderIsWalkedInAStableOrder();
    void exitStatus_data();
    void exitStatus();
};

void TestAudit::findingsOfOnePage_data()
{
    QTest::addColumn<QByteArray>("page");
    // Each row as "field finding: detail"; a detail ending in "…" is a beginning.
    QTest::addColumn<QStringList>("expected");

    const QByteArray i70(70, 'i');
    QTest::newRow("nothing wrong") << page(goodMetas()) << QStringList();
    QTest::newRow("closing tag in upper case") << page(goodMetas(), Head, "</HTML>") << QStringList();
    QTest::newRow("no title tag") << Head + goodMetas() + "</head></html>" << QStringList { "page no-title-tag: …" };
    QTest::newRow("no closing tag") << page(goodMetas(), Head, "<body>Hi</body>")
                                    << QStringList { "page no-closing-tag: …" };
    QTest::newRow("DOCTYPE, charset and viewport ahead of the title")
        << page(goodMetas(),
               "<!DOCTYPE html>\r\n<html><head><meta charset=utf-8>\r\n"
               "<meta\r\nname=\"viewport\" content=\"width=device-width\">\r\n")
        << QStringList {
               R"(page drops-head: <!DOCTYPE html>, <meta charset=utf-8>, <meta name="viewport" content="width=device-width">)"
           };
    QTest::newRow("charset as http-equiv, another meta tag kept quiet")
        << page(goodMetas(),
               "<html><head><META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=iso-8859-1'>"
               "<meta name=\"robots\" content=\"index\">")
        << QStringList { "page drops-head: <META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset …>" };
    QTest::newRow("charset behind the title is kept")
        << page(goodMetas(), Head, "<meta charset=\"utf-8\"></head></html>") << QStringList();
    QTest::newRow("missing") << page(metaTag("Title", GoodTitle) + metaTag("Description", GoodDescription))
                             << QStringList { R"(keywords missing: no "KeyWords" in the page)" };
    QTest::newRow("unusable") << page(
        metaTag("Title", GoodTitle) + metaTag("Description", GoodDescription), Head, "</html><!-- KeyWords -->")
                              << QStringList { "keywords unusable: …" };
    QTest::newRow("empty") << page(goodMetas("")) << QStringList { "keywords empty: " };
    QTest::newRow("white space only") << page(goodMetas(" \r\n "))
                                      << QStringList { "keywords empty: only white space" };
    QTest::newRow("other case only")
        << page(metaTag("Title", GoodTitle) + metaTag("Description", GoodDescription) + metaTag("keywords", "tools")
               + metaTag("KEYWORDS", "parts"))
        << QStringList {
               R"(keywords other-case-only: only name="keywords", name="KEYWORDS"; the editor reads "KeyWords")"
           };
    QTest::newRow("read from the page's text, the tag in another case")
        << page(metaTag("Title", GoodTitle) + metaTag("description", GoodDescription) + metaTag("KeyWords", "x"), Head,
               "<body>Description list example</body></html>")
        << QStringList { "description other-case-only: …",
               "description not-in-meta-tag: read from …op</title><body>Description list example</body></ht…",
               "description too-short: 7 characters, fewer than 70" };
    QTest::newRow("multiple, in any case")
        << page(goodMetas() + metaTag("description", "Other") + metaTag("Description", "Third"))
        << QStringList { "description multiple: 3 meta tags for \"Description\", in any case" };
    QTest::newRow("too short") << page(
        metaTag("Title", "Shop") + metaTag("Description", GoodDescription) + metaTag("KeyWords", "x"))
                               << QStringList { "title too-short: 4 characters, fewer than 30" };
    QTest::newRow("too long in characters")
        << page(metaTag("Title", i70) + metaTag("Description", GoodDescription) + metaTag("KeyWords", "x"))
        << QStringList { "title too-long: 70 characters, more than 60" };
    QTest::newRow("too long in pixels") << page(
        metaTag("Title", QByteArray(40, 'W')) + metaTag("Description", GoodDescription) + metaTag("KeyWords", "x"))
                                        << QStringList { "title too-long: 755 px, more than 580 px" };
    QTest::newRow("references and white space count as shown") << page(
        metaTag("Title", "Caf&#233;  &amp;\r\n " + QByteArray(50, 'i')) + metaTag("Description", GoodDescription)
        + metaTag("KeyWords", "x")) << QStringList();
    QTest::newRow("cut in the editor") << page(goodMetas(
        QByteArray(1025, 'k'))) << QStringList { "keywords cut-in-editor: 1025 characters; the editor keeps 1024" };
    QTest::newRow("a line end is one character in the editor")
        << page(goodMetas(QByteArray(1022, 'k') + "\r\n")) << QStringList();
    QTest::newRow("gt in the value") << page(
        metaTag("Title", GoodTitle) + metaTag("Description", "Tools > " + GoodDescription) + metaTag("KeyWords", "x"))
                                     << QStringList { "description gt-in-value: content=\"Tools > Saws…",
                                            "description too-short: 5 characters, fewer than 70" };
}

void TestAudit::findingsOfOnePage()
{
    QFETCH(QByteArray, page);
    QFETCH(QStringList, expected);

    const Fonts fonts;
    QStringList rows;
    for (const cli::AuditRow &row : cli::AuditPage(QStringLiteral("p.html"), page, {}, fonts.result()).rows)
        rows.append(rowText(row));
    QCOMPARE(rows.size(), expected.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (expected[i].endsWith(QStringLiteral("…")))
            QVERIFY2(rows[i].startsWith(expected[i].chopped(1)), qPrintable(rows[i]));
        else
            QCOMPARE(rows[i], expected[i]);
    }
}

void TestAudit::duplicatesNameTheOtherPages_data()
{
    QTest::addColumn<int>("sharing");
    QTest::addColumn<QString>("firstPagesTitle");
    QTest::addColumn<QString>("thirdPagesTitle");

    QTest::newRow("three pages") << 3 << QStringLiteral("also in 2.html, 3.html")
                                 << QStringLiteral("also in 1.html, 2.html");
    QTest::newRow("eight pages") << 8 << QStringLiteral("also in 2.html, 3.html, 4.html, 5.html, 6.html and 2 more")
                                 << QStringLiteral("also in 1.html, 2.html, 4.html, 5.html, 6.html and 2 more");
}

void TestAudit::duplicatesNameTheOtherPages()
{
    QFETCH(int, sharing);
    QFETCH(QString, firstPagesTitle);
    QFETCH(QString, thirdPagesTitle);

    // The pages share a title; only the first two share a description. Every
    // page has the same keywords, which are not compared.
    std::vector<cli::PageAudit> pages;
    for (int i = 1; i <= sharing; ++i) {
        const QByteArray description = GoodDescription + (i <= 2 ? QByteArray() : " " + QByteArray::number(i));
        pages.push_back(cli::AuditPage(QStringLiteral("%1.html").arg(i),
            page(metaTag("Title", GoodTitle) + metaTag("Description", description) + metaTag("KeyWords", "x")), {},
            {}));
    }
    pages.push_back(cli::AuditPage(QStringLiteral("other.html"),
        page(metaTag("Title", GoodTitle + " too") + metaTag("Description", GoodDescription + " too")
            + metaTag("KeyWords", "x")),
        {}, {}));
    const std::vector<std::vector<cli::AuditRow>> duplicates = cli::DuplicateRows(pages);

    QCOMPARE(duplicates.size(), pages.size());
    const auto rowsOf = [](const std::vector<cli::AuditRow> &found) {
        QStringList rows;
        for (const cli::AuditRow &row : found)
            rows.append(rowText(row));
        return rows;
    };
    QCOMPARE(rowsOf(duplicates[0]),
        QStringList({ QStringLiteral("title duplicate: ") + firstPagesTitle,
            QStringLiteral("description duplicate: also in 2.html") }));
    QCOMPARE(rowsOf(duplicates[2]), QStringList({ QStringLiteral("title duplicate: ") + thirdPagesTitle }));
    QCOMPARE(rowsOf(duplicates.back()), QStringList());
}

void TestAudit::theReportKeepsEachFieldsRowsTogether_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("report");

    QTest::newRow("every finding") << QStringList()
                                   << QByteArray("path\tfield\tfinding\tdetail\n"
                                                 "a.html\ttitle\ttoo-short\t4 characters, fewer than 30\n"
                                                 "a.html\ttitle\tduplicate\talso in b.html\n"
                                                 "a.html\tdescription\tduplicate\talso in b.html\n"
                                                 "a.html\tkeywords\tempty\t\n"
                                                 "b.html\ttitle\ttoo-short\t4 characters, fewer than 30\n"
                                                 "b.html\ttitle\tduplicate\talso in a.html\n"
                                                 "b.html\tdescription\tduplicate\talso in a.html\n");
    QTest::newRow("some ignored") << QStringList { "--ignore", "too-short,empty" }
                                  << QByteArray("path\tfield\tfinding\tdetail\n"
                                                "a.html\ttitle\tduplicate\talso in b.html\n"
                                                "a.html\tdescription\tduplicate\talso in b.html\n"
                                                "b.html\ttitle\tduplicate\talso in a.html\n"
                                                "b.html\tdescription\tduplicate\talso in a.html\n");
}

void TestAudit::theReportKeepsEachFieldsRowsTogether()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, report);

    QTemporaryDir folder;
    QVERIFY(QDir::setCurrent(folder.path()));
    const QByteArray metas = metaTag("Title", "Shop") + metaTag("Description", GoodDescription);
    QVERIFY(pagefiles::Write(QStringLiteral("a.html"), page(metas + metaTag("KeyWords", ""))));
    QVERIFY(pagefiles::Write(QStringLiteral("b.html"), page(metas + metaTag("KeyWords", "x"))));

    Captured run;
    QCOMPARE(
        cli::RunCommandLine(QStringList { "tagwright-batch", "audit" } + options + QStringList { "a.html", "b.html" },
            run.console, run.in),
        1);
    QCOMPARE(run.out.data(), report);
}

void TestAudit::pixelWidthsAreTheFontsAdvances_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<double>("width");

    // Sums of the advance widths in the font file's hmtx table, found through
    // its cmap, times the pixel size over its 2048 units per em; a character
    // it lacks at its OS/2 average width of 1187 units.
    QTest::newRow("title") << QStringLiteral("Hello, World") << 20 << 108.916015625;
    QTest::newRow("description") << QStringLiteral("Tools and parts for the workshop") << 14 << 203.8818359375;
    QTest::newRow("a character the font lacks") << QStringLiteral("Caf\u00e9 \u4e2d") << 20 << 59.39453125;
}

void TestAudit::pixelWidthsAreTheFontsAdvances()
{
    QFETCH(QString, text);
    QFETCH(int, pixelSize);
    QFETCH(double, width);

    const metatags::Result<cli::TextWidth> font = cli::TextWidth::Load(cli::SearchResultFontFile(), pixelSize);
    QVERIFY2(font.has_value(), qPrintable(font.has_value() ? QString() : font.error().reason));
    QCOMPARE(font.value().of(text), width);
    // The same font made for another size and brought back gives the same.
    QCOMPARE(font.value().atPixelSize(pixelSize + 7).atPixelSize(pixelSize).of(text), width);
}

void TestAudit::textAsASearchResultShowsIt_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("characters");

    QTest::newRow("white space") << QStringLiteral(" \t a\r\n\r\n b \f") << QStringLiteral("a b") << 3;
    QTest::newRow("references") << QStringLiteral("Caf&#233; &amp; &#x4E2D;&nbsp;&quot;&lt;&gt;&apos;")
                                << QStringLiteral("Caf\u00e9 & \u4e2d\u00a0\"<>'") << 13;
    QTest::newRow("beyond 16 bits") << QStringLiteral("&#128512;!") << QStringLiteral("\U0001F600!") << 2;
    QTest::newRow("not decoded") << QStringLiteral("&copy; &#0; &#xD800; &#12 &#x; &#+5; &amp") << QString() << 41;
}

void TestAudit::textAsASearchResultShowsIt()
{
    QFETCH(QString, value);
    QFETCH(QString, shown);
    QFETCH(int, characters);

    const QString result = cli::ResultText(value);
    QCOMPARE(result, shown.isNull() ? value : shown);
    QCOMPARE(cli::CharacterCount(result), characters);
}

void TestAudit::aFolderIsWalkedInAStableOrder()
{
    QTemporaryDir folder;
    const QDir site(folder.path());
    for (const char *name : { "b/index.html", "a.HTM", "b/a/deep.htm", "notes.txt", "b/c.html.bak", "c.html" }) {
        QVERIFY(site.mkpath(QFileInfo(site.filePath(QLatin1String(name))).path()));
        QVERIFY(pagefiles::Write(site.filePath(QLatin1String(name)), "<title>x</title>"));
    }
    QVERIFY(QFile::link(site.path(), site.filePath(QStringLiteral("b/loop"))));

    const QStringList files = cli::PagesToRead({ site.filePath(QStringLiteral("c.html")), site.path() }, true);
    QStringList relative;
    for (const QString &file : files)
        relative.append(site.relativeFilePath(file));
    QCOMPARE(relative, QStringList({ "c.html", "a.HTM", "b/a/deep.htm", "b/index.html", "c.html" }));
}

void TestAudit::exitStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");

    // short.html has one finding, a short title; good.html none.
    QTest::newRow("no findings") << QStringList { "good.html" } << 0;
    QTest::newRow("a finding") << QStringList { "short.html" } << 1;
    QTest::newRow("fail on others") << QStringList { "--fail-on", "missing,duplicate", "short.html" } << 0;
    QTest::newRow("fail on it") << QStringList { "--fail-on", "missing,too-short", "short.html" } << 1;
    QTest::newRow("ignored") << QStringList { "--ignore", "too-short", "short.html" } << 0;
    QTest::newRow("limits moved") << QStringList { "--title-chars", "4-60", "short.html" } << 0;
    QTest::newRow("a page that cannot be read") << QStringList { "--fail-on", "missing", "gone.html" } << 1;
    QTest::newRow("a folder without -r") << QStringList { "." } << 1;
    QTest::newRow("the folder with -r") << QStringList { "-r", "--fail-on", "missing", "." } << 0;
    QTest::newRow("unknown finding") << QStringList { "--fail-on", "missing,lost", "good.html" } << 2;
    QTest::newRow("range upside down") << QStringList { "--title-chars", "60-30", "good.html" } << 2;
    QTest::newRow("negative pixels") << QStringList { "--title-px", "-1", "good.html" } << 2;
    QTest::newRow("no pages") << QStringList {} << 2;
}

void TestAudit::exitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);

    QTemporaryDir folder;
    QVERIFY(QDir::setCurrent(folder.path()));
    QVERIFY(pagefiles::Write(QStringLiteral("good.html"), page(goodMetas())));
    QVERIFY(pagefiles::Write(QStringLiteral("short.html"),
        page(metaTag("Title", "Shop") + metaTag("Description", GoodDescription) + metaTag("KeyWords", "x"))));

    Captured run;
    QCOMPARE(cli::RunCommandLine(QStringList { "tagwright-batch", "audit" } + arguments, run.console, run.in), status);
    if (status != 2) {
        QVERIFY(run.out.data().startsWith("path\tfield\tfinding\tdetail\n"));
        QVERIFY2(run.err.data().endsWith(".\n") && run.err.data().contains("read"), run.err.data().constData());
    }
}

QTEST_MAIN(TestAudit)
#include "tst_audit.moc"
