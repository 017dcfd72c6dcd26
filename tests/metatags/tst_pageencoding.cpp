#include "MetaFields.h"
#include "PageEncoding.h"

#include <QSet>
#include <QTest>

using metatags::FieldValue;
using metatags::PageEncoding;

Q_DECLARE_METATYPE(FieldValue)
Q_DECLARE_METATYPE(PageEncoding)

class TestPageEncoding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyByteSurvivesAWindows1252Value();
    void encodesTypedText_data();
    void encodesTypedText();
    void detectsThePageEncoding_data();
    void detectsThePageEncoding();
    void agreesWithQtOnWhatIsValidUtf8();
    void writesTheBytesOfEachField_data();
    void writesTheBytesOfEachField();
};

void TestPageEncoding::everyByteSurvivesAWindows1252Value()
{
    QSet<QChar> seen;
    for (int value = 0; value < 256; ++value) {
        const QByteArray byte(1, static_cast<char>(value));
        const QString text = metatags::DecodeValue(byte, PageEncoding::Windows1252);
        QCOMPARE(text.size(), 1);
        seen.insert(text.front());
        // A line feed is the one byte that is written back differently: as CR LF.
        const QByteArray back = value == '\n' ? QByteArray("\r\n") : byte;
        QCOMPARE(metatags::EncodeValue(text, PageEncoding::Windows1252), back);
    }
    QCOMPARE(seen.size(), 256);
}

void TestPageEncoding::encodesTypedText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<PageEncoding>("encoding");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readsBack");

    const auto utf8 = PageEncoding::Utf8;
    const auto cp1252 = PageEncoding::Windows1252;
    QTest::newRow("UTF-8 Café") << QStringLiteral("Café") << utf8 << QByteArray("Caf\xc3\xa9") << true;
    QTest::newRow("windows-1252 Café") << QStringLiteral("Café") << cp1252 << QByteArray("Caf\xe9") << true;
    QTest::newRow("euro sign is a windows-1252 byte")
        << QStringLiteral("5 €") << cp1252 << QByteArray("5 \x80") << true;
    QTest::newRow("euro sign in UTF-8") << QStringLiteral("€") << utf8 << QByteArray("\xe2\x82\xac") << true;
    QTest::newRow("quotes and dashes of 0x80-0x9F") << QStringLiteral("“a”–Ÿž") << cp1252
                                                    << QByteArray("\x93"
                                                                  "a\x94\x96\x9f\x9e")
                                                    << true;
    QTest::newRow("an undefined byte is its C1 control")
        << QStringLiteral("\u0081") << cp1252 << QByteArray("\x81") << true;
    QTest::newRow("Greek is a character reference in windows-1252")
        << QStringLiteral("Ωmega") << cp1252 << QByteArray("&#937;mega") << false;
    QTest::newRow("only what cannot be held becomes a reference")
        << QStringLiteral("é€Ω") << cp1252 << QByteArray("\xe9\x80&#937;") << false;
    QTest::newRow("a surrogate pair is one reference")
        << QStringLiteral("a\U0001F600b") << cp1252 << QByteArray("a&#128512;b") << false;
    QTest::newRow("a lone surrogate is the replacement character")
        << QString(QChar(0xD800)) << cp1252 << QByteArray("&#65533;") << false;
    QTest::newRow("typed line break becomes CR LF") << QStringLiteral("a\nb") << utf8 << QByteArray("a\r\nb") << false;
    QTest::newRow("CR LF stays CR LF") << QStringLiteral("a\r\nb") << cp1252 << QByteArray("a\r\nb") << true;
    // Qt drops a leading U+FEFF as a byte-order mark; in a value it is a character.
    QTest::newRow("zero-width no-break space at the start of a value") << QStringLiteral("\uFEFFa") << utf8
                                                                       << QByteArray("\xef\xbb\xbf"
                                                                                     "a")
                                                                       << true;
}

void TestPageEncoding::encodesTypedText()
{
    QFETCH(QString, text);
    QFETCH(PageEncoding, encoding);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, readsBack);

    QCOMPARE(metatags::EncodeValue(text, encoding), bytes);
    if (readsBack)
        QCOMPARE(metatags::DecodeValue(bytes, encoding), text);
}

void TestPageEncoding::detectsThePageEncoding_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<PageEncoding>("encoding");

    const auto utf8 = PageEncoding::Utf8;
    const auto cp1252 = PageEncoding::Windows1252;
    QTest::newRow("empty page") << QByteArray() << utf8;
    QTest::newRow("initial page buffer") << QByteArray("Text10\r\n") << utf8;
    QTest::newRow("UTF-8 é") << QByteArray("<title>Caf\xc3\xa9</title>") << utf8;
    QTest::newRow("character across an eight-byte block") << QByteArray("1234567\xe2\x82\xac"
                                                                        "90")
                                                          << utf8;
    QTest::newRow("windows-1252 é") << QByteArray("<title>Caf\xe9</title>") << cp1252;
    QTest::newRow("high byte after eight ASCII bytes") << QByteArray("12345678\xe9") << cp1252;
    QTest::newRow("overlong NUL") << QByteArray("a\xc0\x80") << cp1252;
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << cp1252;
    QTest::newRow("sequence cut off at the end") << QByteArray("abc\xe2\x82") << cp1252;
}

void TestPageEncoding::detectsThePageEncoding()
{
    QFETCH(QByteArray, page);
    QFETCH(PageEncoding, encoding);

    QCOMPARE(metatags::DetectPageEncoding(page), encoding);
}

// Every sequence of a lead byte, any second byte and a few tails, at and off the
// eight-byte blocks, judged against Qt's own decoder.
void TestPageEncoding::agreesWithQtOnWhatIsValidUtf8()
{
    const QByteArray tails[] = { "", "\x80", "\x80\xbf", "\xbf\x80\x80", "A" };
    for (const QByteArray &prefix : { QByteArray(), QByteArray("1234567") }) {
        for (int lead = 0x80; lead < 0x100; ++lead) {
            for (int second = 0; second < 0x100; ++second) {
                for (const QByteArray &tail : tails) {
                    const QByteArray bytes = prefix + char(lead) + char(second) + tail;
                    const bool qtReadsIt = QString::fromUtf8(bytes).toUtf8() == bytes;
                    if (metatags::IsValidUtf8(bytes) != qtReadsIt)
                        QFAIL(qPrintable(QStringLiteral("disagrees on %1").arg(QString::fromLatin1(bytes.toHex(' ')))));
                }
            }
        }
    }
}

void TestPageEncoding::writesTheBytesOfEachField_data()
{
    QTest::addColumn<FieldValue>("title");
    QTest::addColumn<FieldValue>("description");
    QTest::addColumn<QByteArray>("keptPage");
    QTest::addColumn<QByteArray>("titleBytes");

    const auto typed = [](const QString &text) { return FieldValue { text, std::nullopt }; };
    const FieldValue plain = typed(QStringLiteral("d"));
    const QByteArray utf8Page = "<title>Caf\xc3\xa9</title>";
    const QByteArray cp1252Page = "<title>Caf\xe9</title>";
    QTest::newRow("untouched value writes its source bytes")
        << FieldValue { QStringLiteral("Café"), QByteArray("Caf\xe9") } << plain << utf8Page << QByteArray("Caf\xe9");
    QTest::newRow("typed on a UTF-8 page")
        << typed(QStringLiteral("Café")) << plain << utf8Page << QByteArray("Caf\xc3\xa9");
    QTest::newRow("typed on a windows-1252 page")
        << typed(QStringLiteral("Café €")) << plain << cp1252Page << QByteArray("Caf\xe9 \x80");
    QTest::newRow("typed on an ASCII page is UTF-8")
        << typed(QStringLiteral("Café")) << plain << QByteArray("<title>x</title>") << QByteArray("Caf\xc3\xa9");
    QTest::newRow("an untouched windows-1252 value decides the encoding")
        << typed(QStringLiteral("Café")) << FieldValue { QStringLiteral("é"), QByteArray("\xe9") }
        << QByteArray("<title>x</title>") << QByteArray("Caf\xe9");
    QTest::newRow("typed Greek on a windows-1252 page")
        << typed(QStringLiteral("Ω")) << plain << cp1252Page << QByteArray("&#937;");
}

void TestPageEncoding::writesTheBytesOfEachField()
{
    QFETCH(FieldValue, title);
    QFETCH(FieldValue, description);
    QFETCH(QByteArray, keptPage);
    QFETCH(QByteArray, titleBytes);

    const metatags::MetaBytes bytes = metatags::EncodeForPage({ title, description, title }, keptPage);
    QCOMPARE(bytes.title, titleBytes);
    QCOMPARE(bytes.keywords, titleBytes);
    QCOMPARE(bytes.description, description.sourceBytes.value_or(description.text.toUtf8()));
}

QTEST_GUILESS_MAIN(TestPageEncoding)
#include "tst_pageencoding.moc"
