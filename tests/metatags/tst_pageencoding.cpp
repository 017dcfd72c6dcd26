#include "MetaFields.h"
#include "MetaPageJobs.h"
#include "PageEncoding.h"

#include <QSet>
#include <QTest>

using metatags::FieldValue;
using metatags::PageEncoding;

Q_DECLARE_METATYPE(PageEncoding)

namespace metatags {
// Lets QCOMPARE show which encoding it got.
char *toString(const PageEncoding &encoding)
{
    return qstrdup(encoding.name().constData());
}
} // namespace metatags

namespace {

QByteArray titleTag(const QByteArray &value)
{
    return "<meta name=\"Title\" content=\"" + value + "\">";
}

QString withLoneSurrogate(char16_t surrogate)
{
    return QStringLiteral("a") + QChar(surrogate) + QStringLiteral("b");
}

} // namespace

class TestPageEncoding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyByteSurvivesAWindows1252Value();
    void encodesTypedText_data();
    void encodesTypedText();
    void sniffsThePageEncoding_data();
    void sniffsThePageEncoding();
    void valuesFollowTheSniffedEncoding_data();
    void valuesFollowTheSniffedEncoding();
};

void TestPageEncoding::everyByteSurvivesAWindows1252Value()
{
    QSet<QChar> seen;
    for (int value = 0; value < 256; ++value) {
        const QByteArray byte(1, static_cast<char>(value));
        const QString text = metatags::DecodeValue(byte, PageEncoding::windows1252());
        QCOMPARE(text.size(), 1);
        seen.insert(text.front());
        // A line feed is the one byte that is written back differently: as CR LF.
        const QByteArray back = value == '\n' ? QByteArray("\r\n") : byte;
        QCOMPARE(metatags::EncodeValue(text, PageEncoding::windows1252()), back);
    }
    QCOMPARE(seen.size(), 256);
}

void TestPageEncoding::encodesTypedText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<PageEncoding>("encoding");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readsBack");

    const PageEncoding utf8 = PageEncoding::utf8();
    const PageEncoding cp1252 = PageEncoding::windows1252();
    const PageEncoding shiftJis = metatags::SniffPageEncoding("<meta charset=shift_jis>");
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
    QTest::newRow("typed line break becomes CR LF") << QStringLiteral("a\nb") << utf8 << QByteArray("a\r\nb") << false;
    QTest::newRow("CR LF stays CR LF") << QStringLiteral("a\r\nb") << cp1252 << QByteArray("a\r\nb") << true;
    // Qt drops a leading U+FEFF as a byte-order mark; in a value it is a character.
    QTest::newRow("zero-width no-break space at the start of a value") << QStringLiteral("\uFEFFa") << utf8
                                                                       << QByteArray("\xef\xbb\xbf"
                                                                                     "a")
                                                                       << true;
    QTest::newRow("declared legacy encoding: all beyond ASCII is a reference")
        << QStringLiteral("日本 é\U0001F600 x\ny") << shiftJis << QByteArray("&#26085;&#26412; &#233;&#128512; x\r\ny")
        << false;
    QTest::newRow("declared legacy encoding: ASCII reads back")
        << QStringLiteral("a&b \"c\"") << shiftJis << QByteArray("a&b \"c\"") << true;

    // A lone surrogate is no character: it is written as U+FFFD, never as "?".
    const QByteArray replacedInUtf8 = "a\xef\xbf\xbd"
                                      "b";
    for (const char16_t surrogate : { char16_t(0xD800), char16_t(0xDFFF) }) {
        QTest::addRow("lone surrogate %x in UTF-8", surrogate)
            << withLoneSurrogate(surrogate) << utf8 << replacedInUtf8 << false;
        QTest::addRow("lone surrogate %x in windows-1252", surrogate)
            << withLoneSurrogate(surrogate) << cp1252 << QByteArray("a&#65533;b") << false;
        QTest::addRow("lone surrogate %x in a legacy encoding", surrogate)
            << withLoneSurrogate(surrogate) << shiftJis << QByteArray("a&#65533;b") << false;
    }
    QTest::newRow("high surrogate at the end in UTF-8")
        << QStringLiteral("a") + QChar(0xDBFF) << utf8 << QByteArray("a\xef\xbf\xbd") << false;
    QTest::newRow("low then high surrogate in UTF-8")
        << QString(QChar(0xDC00)) + QChar(0xD800) << utf8 << QByteArray("\xef\xbf\xbd\xef\xbf\xbd") << false;
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

void TestPageEncoding::sniffsThePageEncoding_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("encoding"); // its name

    const QByteArray utf8 = "UTF-8";
    const QByteArray cp1252 = "windows-1252";
    const QByteArray shiftJis = "windows-31j";
    // Each page below also holds a byte that only its declaration explains.
    const QByteArray utf8E = "Caf\xc3\xa9";
    const QByteArray cp1252E = "Caf\xe9";
    // A declaration of 25 bytes that ends with the 1024th byte.
    const QByteArray before1024(1024 - 25, ' ');

    // Without a mark or a declaration, the bytes decide.
    QTest::newRow("empty page") << QByteArray() << utf8;
    QTest::newRow("initial page buffer") << QByteArray("Text10\r\n") << utf8;
    QTest::newRow("none, valid UTF-8") << "<title>" + utf8E << utf8;
    QTest::newRow("none, not UTF-8") << "<title>" + cp1252E << cp1252;
    QTest::newRow("character across an eight-byte block") << QByteArray("1234567\xe2\x82\xac"
                                                                        "90")
                                                          << utf8;
    QTest::newRow("high byte after eight ASCII bytes") << QByteArray("12345678\xe9") << cp1252;
    QTest::newRow("overlong NUL") << QByteArray("a\xc0\x80") << cp1252;
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << cp1252;
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << cp1252;
    QTest::newRow("four bytes, U+10FFFF") << QByteArray("\xf4\x8f\xbf\xbf") << utf8;
    QTest::newRow("sequence cut off at the end") << QByteArray("abc\xe2\x82") << cp1252;

    // Byte-order marks come first.
    QTest::newRow("UTF-8 mark over a declaration and the bytes")
        << "\xef\xbb\xbf<meta charset=\"iso-8859-1\">" + cp1252E << utf8;
    QTest::newRow("UTF-16LE mark") << QByteArray("\xff\xfe<\0m\0", 6) << QByteArray("UTF-16");
    QTest::newRow("UTF-16BE mark over a declaration") << "\xfe\xff<meta charset=utf-8>" + utf8E << QByteArray("UTF-16");
    QTest::newRow("a mark later in the page is no mark") << " \xef\xbb\xbf" + cp1252E << cp1252;

    // Then a declaration, whatever the bytes.
    QTest::newRow("ISO-8859-1") << "<meta charset=\"ISO-8859-1\">" + utf8E << cp1252;
    QTest::newRow("windows-1252") << "<meta charset=\"windows-1252\">" + utf8E << cp1252;
    QTest::newRow("us-ascii") << "<meta charset=us-ascii>" + utf8E << cp1252;
    QTest::newRow("latin1, single quotes, upper case") << "<META CHARSET='Latin1'>" + utf8E << cp1252;
    QTest::newRow("label with spaces around it") << "<meta charset=\" l1\t\">" + utf8E << cp1252;
    QTest::newRow("UTF-8") << "<meta charset=\"utf-8\">" + cp1252E << utf8;
    QTest::newRow("utf8 alias") << "<meta charset=utf8 />" + cp1252E << utf8;
    QTest::newRow("UTF-16 declared in ASCII means UTF-8") << "<meta charset=utf-16>" + cp1252E << utf8;
    QTest::newRow("x-user-defined") << "<meta charset=x-user-defined>" + utf8E << cp1252;
    QTest::newRow("Shift_JIS") << "<meta charset=\"Shift_JIS\">" + utf8E << shiftJis;
    QTest::newRow("sjis alias") << "<meta charset=sjis>" + utf8E << shiftJis;
    QTest::newRow("EUC-JP") << "<meta charset=euc-jp>" + utf8E << QByteArray("EUC-JP");
    QTest::newRow("ISO-8859-2") << "<meta charset=latin2>" + utf8E << QByteArray("ISO-8859-2");
    QTest::newRow("ISO-8859-9 is read as windows-1254")
        << "<meta charset=iso-8859-9>" + utf8E << QByteArray("windows-1254");
    QTest::newRow("KOI8-R") << "<meta charset=koi8-r>" + utf8E << QByteArray("KOI8-R");
    QTest::newRow("gb2312 is read as GB18030") << "<meta charset=gb2312>" + utf8E << QByteArray("GB18030");
    QTest::newRow("Big5") << "<meta charset=big5>" + utf8E << QByteArray("Big5-HKSCS");
    QTest::newRow("EUC-KR is read as windows-949") << "<meta charset=euc-kr>" + utf8E << QByteArray("windows-949");
    QTest::newRow("http-equiv") << "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">"
            + utf8E << cp1252;
    QTest::newRow("http-equiv after content, no quotes")
        << "<META CONTENT=\"text/html;charset=Shift_JIS\" HTTP-EQUIV=content-type>" + utf8E << shiftJis;
    QTest::newRow("http-equiv, quoted label")
        << "<meta http-equiv=content-type content=\"text/html; charset='utf-8'\">" + cp1252E << utf8;
    QTest::newRow("http-equiv, spaces around =")
        << "<meta http-equiv = 'Content-Type' content = 'text/html; charset = windows-1252'>" + utf8E << cp1252;
    QTest::newRow("charset= in content without http-equiv counts not")
        << "<meta content=\"text/html; charset=iso-8859-1\">" + utf8E << utf8;
    QTest::newRow("first declaration wins") << "<meta charset=utf-8><meta charset=iso-8859-1>" + cp1252E << utf8;
    QTest::newRow("first attribute of a name wins") << "<meta charset=utf-8 charset=iso-8859-1>" + cp1252E << utf8;
    QTest::newRow("after a page's own tags") << "<!DOCTYPE html><html lang=en><head><title>x</title>"
                                                "<meta charset=iso-8859-1>"
            + utf8E << cp1252;
    QTest::newRow("declaration ending at byte 1024") << before1024 + "<meta charset=iso-8859-1>" + utf8E << cp1252;

    // Declarations that do not count: the bytes decide.
    QTest::newRow("unknown label") << "<meta charset=\"klingon\">" + cp1252E << cp1252;
    QTest::newRow("unknown label, UTF-8 page") << "<meta charset=\"klingon\">" + utf8E << utf8;
    QTest::newRow("replacement label") << "<meta charset=iso-2022-kr>" + cp1252E << cp1252;
    QTest::newRow("unknown label, then a known one")
        << "<meta charset=klingon><meta charset=iso-8859-1>" + utf8E << cp1252;
    QTest::newRow("declaration running past byte 1024") << before1024 + " <meta charset=iso-8859-1>" + utf8E << utf8;
    QTest::newRow("in a comment") << "<!-- <meta charset=iso-8859-1> -->" + utf8E << utf8;
    QTest::newRow("in another tag's attribute") << "<a title=\"<meta charset=iso-8859-1>\">" + utf8E << utf8;
    QTest::newRow("not a meta tag") << "<metadata charset=iso-8859-1>" + utf8E << utf8;
    QTest::newRow("empty label") << "<meta charset=\"\">" + cp1252E << cp1252;
}

void TestPageEncoding::sniffsThePageEncoding()
{
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, encoding);

    QCOMPARE(metatags::SniffPageEncoding(page).name(), encoding);
}

void TestPageEncoding::valuesFollowTheSniffedEncoding_data()
{
    QTest::addColumn<QByteArray>("page"); // holds a Title tag
    QTest::addColumn<QString>("title"); // as read from it
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("typedBytes");

    QTest::newRow("ISO-8859-1 declared") << "<meta charset=iso-8859-1>" + titleTag("Caf\xe9") << QStringLiteral("Café")
                                         << QStringLiteral("Ærø Ω") << QByteArray("\xc6r\xf8 &#937;");
    QTest::newRow("windows-1252 declared by http-equiv")
        << "<meta http-equiv=Content-Type content='text/html; charset=windows-1252'>" + titleTag("\x80 5")
        << QStringLiteral("€ 5") << QStringLiteral("“x”") << QByteArray("\x93x\x94");
    QTest::newRow("UTF-8 declared, a stray windows-1252 byte elsewhere")
        << "<meta charset=utf-8>" + titleTag("Caf\xc3\xa9") + "\xe9" << QStringLiteral("Café") << QStringLiteral("ü")
        << QByteArray("\xc3\xbc");
    QTest::newRow("Shift_JIS declared") << "<meta charset=Shift_JIS>" + titleTag("\x93\xfa\x96\x7b")
                                        << QStringLiteral("日本") << QStringLiteral("日本")
                                        << QByteArray("&#26085;&#26412;");
    QTest::newRow("Shift_JIS: every ASCII byte is itself")
        << "<meta charset=Shift_JIS>" + titleTag("\x1a\x1c\x7f\\\x93\xfa") << QStringLiteral("\x1a\x1c\x7f\\日")
        << QStringLiteral("\x7f") << QByteArray("\x7f");
    QTest::newRow("EUC-JP declared") << "<meta charset=euc-jp>" + titleTag("\xc6\xfc\xcb\xdc") << QStringLiteral("日本")
                                     << QStringLiteral("é") << QByteArray("&#233;");
    QTest::newRow("KOI8-R declared") << "<meta charset=koi8-r>" + titleTag("\xf0\xd2\xc9\xd7\xc5\xd4")
                                     << QStringLiteral("Привет") << QStringLiteral("Мир")
                                     << QByteArray("&#1052;&#1080;&#1088;");
    QTest::newRow("GBK declared") << "<meta charset=gbk>" + titleTag("\xd6\xd0\xce\xc4") << QStringLiteral("中文")
                                  << QStringLiteral("a") << QByteArray("a");
    QTest::newRow("Big5 declared") << "<meta charset=big5>" + titleTag("\xa4\xa4\xa4\xe5") << QStringLiteral("中文")
                                   << QStringLiteral("a") << QByteArray("a");
    QTest::newRow("EUC-KR declared") << "<meta charset=euc-kr>" + titleTag("\xc7\xd1\xb1\xdb") << QStringLiteral("한글")
                                     << QStringLiteral("a") << QByteArray("a");
    QTest::newRow("UTF-8 mark") << "\xef\xbb\xbf<meta charset=iso-8859-1>" + titleTag("\xc3\xa9") << QStringLiteral("é")
                                << QStringLiteral("é") << QByteArray("\xc3\xa9");
    QTest::newRow("UTF-16 mark: the bytes as windows-1252")
        << "\xff\xfe" + titleTag("Caf\xe9") << QStringLiteral("Café") << QStringLiteral("é") << QByteArray("\xe9");
    QTest::newRow("nothing declared, UTF-8")
        << titleTag("Caf\xc3\xa9") << QStringLiteral("Café") << QStringLiteral("é") << QByteArray("\xc3\xa9");
    QTest::newRow("nothing declared, windows-1252")
        << titleTag("Caf\xe9") << QStringLiteral("Café") << QStringLiteral("é") << QByteArray("\xe9");
    QTest::newRow("declared after byte 1024")
        << QByteArray(1024, ' ') + "<meta charset=iso-8859-1>" + titleTag("Caf\xc3\xa9") << QStringLiteral("Café")
        << QStringLiteral("é") << QByteArray("\xc3\xa9");
}

// The encoding found once decodes what is read and encodes what is typed; an
// untouched value keeps its bytes.
void TestPageEncoding::valuesFollowTheSniffedEncoding()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, title);
    QFETCH(QString, typed);
    QFETCH(QByteArray, typedBytes);

    const PageEncoding encoding = metatags::SniffPageEncoding(page);
    using metatags::MetaTag;
    const metatags::TagRead read
        = metatags::ReadMetaValues(page, encoding, metatags::ReadOrder::EachOnItsOwn)[MetaTag::Title];
    QVERIFY(read.found());
    QCOMPARE(read.value.text, title);
    const metatags::PerTag<QByteArray> bytes
        = metatags::EncodeForPage({ read.value, FieldValue { typed, std::nullopt }, {} }, encoding);
    QCOMPARE(bytes[MetaTag::Title], *read.value.sourceBytes);
    QCOMPARE(bytes[MetaTag::Description], typedBytes);
}

QTEST_GUILESS_MAIN(TestPageEncoding)
#include "tst_pageencoding.moc"
