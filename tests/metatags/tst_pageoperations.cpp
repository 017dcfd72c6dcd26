#include "MetaPageJobs.h"
#include "TrimPageToTitle.h"

#include <QTest>

using namespace metatags;
// Page bytes, NULs and all, in the tables below.
using B = QByteArray;

Q_DECLARE_METATYPE(ReadOrder)

namespace {

const QByteArray FiveLines = "<html><head>\r\n<meta name=\"Description\" content=\"Fast cars\">\r\n"
                             "<meta name=\"KeyWords\" content=\"cars, speed\">\r\n"
                             "<meta name=\"Title\" content=\"Car page\">\r\n<title>Cars</title>\r\n";

// A read as a user would see it.
QByteArray shown(MetaTagRead::Outcome outcome, QByteArrayView value)
{
    if (outcome == MetaTagRead::Outcome::NotFound)
        return "(not found)";
    return outcome == MetaTagRead::Outcome::Unusable ? "(unusable)" : value.toByteArray();
}

} // namespace

class TestPageOperations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsTheValueAtFixedOffsetsBehindTheWord_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QByteArray>("value"); // of the word Title

        QTest::newRow("plain tag, upper-case attributes read the same")
            << B(R"(<META NAME="Title" CONTENT="Fast cars">)") << B("Fast cars");
        QTest::newRow("title tags never match") << B("<title>x</title><TITLE>y</TITLE>") << B("(not found)");
        QTest::newRow("quotes inside the value come back whole")
            << B(R"(<meta name="Title" content="He said "hi"">)") << B(R"(He said "hi")");
        QTest::newRow("self-closing tag keeps quote and blank")
            << B(R"(<meta name="Title" content="Fast cars" />)") << B(R"(Fast cars" )");
        QTest::newRow("a > inside the value cuts it") << B(R"(<meta name="Title" content="a > b">)") << B("a");
        QTest::newRow("empty value") << B(R"(<meta name="Title" content="">)") << B("");
        QTest::newRow("> where the value would start") << B(R"(<meta name="Title" content=">)") << B("(unusable)");
        QTest::newRow("first occurrence counts, even in a comment")
            << B(R"(<!-- Title: 0123456789abcdef --><meta name="Title" content="x">)") << B("9abcdef -");
        QTest::newRow("no > behind the word") << B("<b>x</b> Title only") << B("(unusable)");
        QTest::newRow("> too near: bold word") << B("<b>Title</b>") << B("(unusable)");
        QTest::newRow("NUL and high bytes in the value")
            << B(R"(<meta name="Title" content=")") + B("a\0\xff\x80z", 5) + B(R"(">)") << B("a\0\xff\x80z", 5);
        QTest::newRow("word at the very start") << B("Title\" content=\"x\">") << B("x");
        QTest::newRow("empty page") << QByteArray() << B("(not found)");
    }

    void readsTheValueAtFixedOffsetsBehindTheWord()
    {
        QFETCH(QByteArray, page);
        QFETCH(QByteArray, value);

        const MetaTagRead read = ReadMetaTag(page, "Title");
        QCOMPARE(shown(read.outcome, read.hasValue() ? read.valueIn(page) : QByteArrayView()), value);
    }

    void readsTheThreeValuesInEitherOrder_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<ReadOrder>("order");
        QTest::addColumn<QByteArrayList>("values");

        const QByteArray noTitle = R"(<meta name="Description" content="d"><meta name="KeyWords" content="k">)";
        const QByteArray none = "(not found)";
        for (const ReadOrder order : { ReadOrder::EachOnItsOwn, ReadOrder::TitleFirst }) {
            const bool button = order == ReadOrder::EachOnItsOwn;
            const char *name = button ? "open button" : "File > Open";
            QTest::addRow("%s: five-line page", name)
                << FiveLines << order << QByteArrayList { "Car page", "Fast cars", "cars, speed" };
            QTest::addRow("%s: no Title word", name)
                << noTitle << order << QByteArrayList { none, button ? "d" : none, button ? "k" : none };
            QTest::addRow("%s: an unusable Title still reads the others", name)
                << noTitle + "Title" << order << QByteArrayList { "(unusable)", "d", "k" };
        }
    }

    void readsTheThreeValuesInEitherOrder()
    {
        QFETCH(QByteArray, page);
        QFETCH(ReadOrder, order);
        QFETCH(QByteArrayList, values);

        const PerTag<TagRead> read = ReadMetaValues(page, PageEncoding::utf8(), order);
        QByteArrayList got;
        for (const MetaTag tag : AllMetaTags) {
            got << shown(read[tag].outcome, read[tag].value.text.toUtf8());
            QCOMPARE(read[tag].found(), read[tag].value.sourceBytes.has_value());
        }
        QCOMPARE(got, values);
    }

    void keepsFromTheTitleTagThroughTheClosingTag_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QByteArray>("kept"); // null: no title tag, the page is written whole

        QTest::newRow("lower-case page") << QByteArray(
            "<html><head><title>Shop</title></head><body>Hi</body></html>\r\n")
                                         << B("<title>Shop</title></head><body>Hi</body></html>");
        QTest::newRow("upper-case page") << B("<HTML>\r\n<HEAD>\r\n<TITLE>Shop</TITLE>\r\n</HTML>\r\n")
                                         << B("<TITLE>Shop</TITLE>\r\n</HTML>");
        QTest::newRow("lower-case title wins over an earlier upper-case one")
            << B("<TITLE>a</TITLE><title>b</title></html>") << B("<title>b</title></html>");
        QTest::newRow("lower-case closing tag wins over an earlier upper-case one")
            << B("<title>a</title></HTML>x</html>tail") << B("<title>a</title></HTML>x</html>");
        QTest::newRow("mixed-case title tag is no title tag") << B("<html><Title>a</Title></html>") << QByteArray();
        QTest::newRow("empty page") << B("") << QByteArray();
        QTest::newRow("no closing tag: kept to the end")
            << B("<html><title>a</title><body>all of it\r\n") << B("<title>a</title><body>all of it\r\n");
        QTest::newRow("closing tags before and behind the title tag: the one behind ends it")
            << B("</html><title>a</title></HTML>tail") << B("<title>a</title></HTML>");
        QTest::newRow("title tag at the very start") << B("<title>a</title></html>x") << B("<title>a</title></html>");
        QTest::newRow("closing tag right after the title tag") << B("x<title></html>") << B("<title></html>");
    }

    void keepsFromTheTitleTagThroughTheClosingTag()
    {
        QFETCH(QByteArray, page);
        QFETCH(QByteArray, kept);

        const std::optional<KeptPart> found = FindKeptPart(page);
        QCOMPARE(found.has_value(), !kept.isNull());
        if (found)
            QCOMPARE(page.sliced(found->start, found->length), kept);
        QByteArray buffer = page;
        QCOMPARE(TrimPageToTitle(buffer), found.has_value());
        QCOMPARE(buffer, kept.isNull() ? page : kept);
    }

    // The search is vectorised, so its faults hide at block edges and in
    // near misses: pages of a few hundred bytes of the needle's own letters,
    // sliced off any alignment.
};

QTEST_GUILESS_MAIN(TestPageOperations)
#include "tst_pageoperations.moc"
