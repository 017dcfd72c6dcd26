#include "TrimPageToTitle.h"

#include <QTest>

using metatags::FindKeptPart;
using metatags::KeptPart;
using metatags::TrimPageToTitle;

class TestTrimPageToTitle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsFromTheTitleTagThroughTheClosingTag_data();
    void keepsFromTheTitleTagThroughTheClosingTag();
};

// Positions are 1-based as the page is described to a user: titleAt 0 means no
// title tag, closingAt 0 means no closing tag behind the title tag.
void TestTrimPageToTitle::keepsFromTheTitleTagThroughTheClosingTag_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<qsizetype>("titleAt");
    QTest::addColumn<qsizetype>("closingAt");

    QTest::newRow("worked example") << QByteArray("<html><head><title>Shop</title></head><body>Hi</body></html>")
                                    << qsizetype(13) << qsizetype(54);
    QTest::newRow("upper-case page, last line break dropped")
        << QByteArray("<HTML>\r\n<HEAD>\r\n<TITLE>Shop</TITLE>\r\n</HEAD>\r\n<BODY>Hi</BODY>\r\n</HTML>\r\n")
        << qsizetype(17) << qsizetype(64);
    QTest::newRow("lower-case title wins over an earlier upper-case one")
        << QByteArray("<TITLE>a</TITLE><title>b</title></html>") << qsizetype(17) << qsizetype(33);
    QTest::newRow("lower-case closing wins over an earlier upper-case one")
        << QByteArray("<title>a</title></HTML>x</html>tail") << qsizetype(1) << qsizetype(25);
    QTest::newRow("already cut down: kept whole")
        << QByteArray("<title>a</title></html>") << qsizetype(1) << qsizetype(17);
    QTest::newRow("mixed-case title tag is no title tag")
        << QByteArray("<html><Title>a</Title></html>") << qsizetype(0) << qsizetype(0);
    QTest::newRow("title tag with attributes is no title tag")
        << QByteArray(R"(<html><title lang="en">a</title></html>)") << qsizetype(0) << qsizetype(0);
    QTest::newRow("empty page") << QByteArray() << qsizetype(0) << qsizetype(0);
    QTest::newRow("no closing tag: keep to the end")
        << QByteArray("<html><title>a</title><body>all of it") << qsizetype(7) << qsizetype(0);
    QTest::newRow("closing tag only before the title tag: keep to the end")
        << QByteArray("</html><title>a</title>rest\r\n") << qsizetype(8) << qsizetype(0);
    QTest::newRow("closing tags before and behind the title tag: the one behind ends it")
        << QByteArray("</html><title>a</title></HTML>tail") << qsizetype(8) << qsizetype(24);
    QTest::newRow("closing tag right after the title tag")
        << QByteArray("x<title></html>") << qsizetype(2) << qsizetype(9);
}

void TestTrimPageToTitle::keepsFromTheTitleTagThroughTheClosingTag()
{
    QFETCH(QByteArray, page);
    QFETCH(qsizetype, titleAt);
    QFETCH(qsizetype, closingAt);

    QByteArray expected = page;
    if (titleAt > 0) {
        // The length rule of the cut-down where it is defined, and the rest of
        // the page behind the title tag where it is not.
        constexpr qsizetype ClosingTagLength = 7;
        const qsizetype length = closingAt > 0 ? closingAt + ClosingTagLength - titleAt : page.size() - titleAt + 1;
        QCOMPARE(FindKeptPart(page), std::optional(KeptPart { titleAt - 1, length }));
        expected = page.mid(titleAt - 1, length);
    } else {
        QCOMPARE(FindKeptPart(page), std::nullopt);
    }

    QByteArray buffer = page;
    QCOMPARE(TrimPageToTitle(buffer), titleAt > 0);
    QCOMPARE(buffer, expected);
}

QTEST_GUILESS_MAIN(TestTrimPageToTitle)
#include "tst_trimpagetotitle.moc"
