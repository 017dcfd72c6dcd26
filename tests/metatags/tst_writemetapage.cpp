#include "WriteMetaPage.h"

#include <QBuffer>
#include <QTest>

using metatags::WriteMetaPage;

namespace {

// Bytes of a literal, embedded NULs included.
template<std::size_t N> QByteArray bytes(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

} // namespace

class TestWriteMetaPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesPreambleAndPageUnchanged_data();
    void writesPreambleAndPageUnchanged();
};

void TestWriteMetaPage::writesPreambleAndPageUnchanged_data()
{
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<QByteArray>("description");
    QTest::addColumn<QByteArray>("keywords");
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("lastLines");

    QTest::newRow("empty values give content=\"\", an empty page one empty line")
        << QByteArray() << QByteArray() << QByteArray() << QByteArray()
        << QByteArray("<meta name=\"Title\" content=\"\">\r\n<meta name=\"Description\" content=\"\">\r\n"
                      "<meta name=\"KeyWords\" content=\"\">\r\n\r\n");
    QTest::newRow("quotes, < and & are not escaped")
        << QByteArray(R"(say "hi")") << QByteArray("a < b & c") << QByteArray("x") << QByteArray("<title>t</title>")
        << QByteArray("<meta name=\"Title\" content=\"say \"hi\"\">\r\n<meta name=\"Description\" content=\"a < b & "
                      "c\">\r\n<meta name=\"KeyWords\" content=\"x\">\r\n<title>t</title>\r\n");
    QTest::newRow("a line break in a value spans two lines")
        << QByteArray("one\r\ntwo") << QByteArray("d") << QByteArray("k") << QByteArray("p\r\n")
        << QByteArray("<meta name=\"Title\" content=\"one\r\ntwo\">\r\n<meta name=\"Description\" content=\"d\">\r\n"
                      "<meta name=\"KeyWords\" content=\"k\">\r\np\r\n\r\n");
    QTest::newRow("NUL and high bytes pass through")
        << bytes("\0\xff") << QByteArray("\x80") << QByteArray("k") << bytes("\0p\xfe")
        << bytes("<meta name=\"Title\" content=\"\0\xff\">\r\n<meta name=\"Description\" content=\"\x80\">\r\n"
                 "<meta name=\"KeyWords\" content=\"k\">\r\n\0p\xfe\r\n");
}

void TestWriteMetaPage::writesPreambleAndPageUnchanged()
{
    QFETCH(QByteArray, title);
    QFETCH(QByteArray, description);
    QFETCH(QByteArray, keywords);
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, lastLines);

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QVERIFY(WriteMetaPage(out, metatags::PerTag<QByteArray> { title, description, keywords }, page));
    const QByteArray fixedLines = "<html>\r\n<head>\r\n<meta name=\"Author\" content=\"Corvantis\">\r\n"
                                  "<meta name=\"GENERATOR\" content=\"Tagwright 2.0\">\r\n";
    QCOMPARE(out.data(), fixedLines + lastLines);
}

QTEST_GUILESS_MAIN(TestWriteMetaPage)
#include "tst_writemetapage.moc"
