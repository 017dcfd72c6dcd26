#include "MetaPageJobs.h"

#include <QtTest>

using namespace metatags;
// Page bytes, NULs and all, in the tables below.
using B = QByteArray;

Q_DECLARE_METATYPE(PageEncoding)

namespace metatags {
// Lets QCOMPARE show which encoding it got.
char *toString(const PageEncoding &encoding)
{
    constexpr const char *Kinds[] = { "UTF-8", "windows-1252", "legacy ", "UTF-16" };
    return qstrdup(Kinds[static_cast<int>(encoding.kind)] + encoding.codec);
}
} // namespace metatags

namespace {

const PageEncoding Utf8 = PageEncoding::utf8();
const PageEncoding Cp1252 = PageEncoding::windows1252();
const PageEncoding ShiftJis = PageEncoding::legacy("windows-31j");

QByteArray titleTag(const QByteArray &value)
{
    return "<meta name=\"Title\" content=\"" + value + "\">";
}

} // namespace

class TestPageEncoding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyByteSurvivesAWindows1252Value()
    {
        QSet<QChar> seen;
        for (int value = 0; value < 256; ++value) {
            const QByteArray byte(1, static_cast<char>(value));
            const QString text = DecodeValue(byte, Cp1252);
            QCOMPARE(text.size(), 1);
            seen.insert(text.front());
            // A line feed is the one byte that is written back differently: as CR LF.
            QCOMPARE(EncodeValue(text, Cp1252), value == '\n' ? B("\r\n") : byte);
        }
        QCOMPARE(seen.size(), 256);
    }

    void encodesTypedText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<PageEncoding>("encoding");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("readsBack");

        QTest::newRow("UTF-8, a surrogate pair at the end")
            << QStringLiteral("Café €\U0001F600") << Utf8 << B("Caf\xc3\xa9 \xe2\x82\xac\xf0\x9f\x98\x80") << true;
        // 0x80-0x9F: quotes and dashes, and an undefined byte as its C1 control.
        QTest::newRow("windows-1252") << QStringLiteral("Café €“x”–Ÿž\u0081") << Cp1252
                                      << B("Caf\xe9 \x80\x93x\x94\x96\x9f\x9e\x81") << true;
        QTest::newRow("only what windows-1252 cannot hold becomes a reference")
            << QStringLiteral("é€Ω\u0080") << Cp1252 << B("\xe9\x80&#937;&#128;") << false;
        QTest::newRow("typed line break becomes CR LF") << QStringLiteral("a\nb") << Utf8 << B("a\r\nb") << false;
        QTest::newRow("CR LF stays CR LF") << QStringLiteral("a\r\nb") << Cp1252 << B("a\r\nb") << true;
        // Qt drops a leading U+FEFF as a byte-order mark; in a value it is a character.
        QTest::newRow("zero-width no-break space at the start")
            << QStringLiteral("\uFEFFz") << Utf8 << B("\xef\xbb\xbfz") << true;
        QTest::newRow("declared legacy encoding: all beyond ASCII is a reference, a surrogate pair one")
            << QStringLiteral("日本 é\u0080 x\ny\U0001F600") << ShiftJis
            << B("&#26085;&#26412; &#233;&#128; x\r\ny&#128512;") << false;
        // A lone surrogate is no character: it is written as U+FFFD, never as "?".
        const QString lone = QStringLiteral("a") + QChar(0xD800) + QChar(0xD800) + QChar(0xDC00) + QChar(0xDFFF);
        QTest::newRow("lone surrogates in UTF-8")
            << lone << Utf8 << B("a\xef\xbf\xbd\xf0\x90\x80\x80\xef\xbf\xbd") << false;
        QTest::newRow("lone surrogates in windows-1252") << lone << Cp1252 << B("a&#65533;&#65536;&#65533;") << false;
        QTest::newRow("lone surrogates in a legacy encoding")
            << lone.left(2) + QChar(0xDBFF) << ShiftJis << B("a&#65533;&#65533;") << false;
    }

    void encodesTypedText()
    {
        QFETCH(QString, text);
        QFETCH(PageEncoding, encoding);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, readsBack);

        QCOMPARE(EncodeValue(text, encoding), bytes);
        if (readsBack)
            QCOMPARE(DecodeValue(bytes, encoding), text);
    }

    void sniffsThePageEncoding_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<PageEncoding>("encoding");

        // Each page below also holds a byte that only its declaration explains.
        const QByteArray utf8E = "Caf\xc3\xa9";
        const QByteArray cp1252E = "Caf\xe9";
        // A declaration of 25 bytes that ends with the 1024th byte.
        const QByteArray before1024(1024 - 25, ' ');

        QTest::newRow("empty page") << QByteArray() << Utf8;
        QTest::newRow("nothing declared, valid UTF-8") << "<title>" + utf8E << Utf8;
        QTest::newRow("nothing declared, not UTF-8") << "<title>" + cp1252E << Cp1252;
        QTest::newRow("UTF-8 mark over a declaration") << "\xef\xbb\xbf<meta charset=\"iso-8859-1\">" + cp1252E << Utf8;
        QTest::newRow("UTF-16LE mark") << B("\xff\xfe<\0m\0", 6) << PageEncoding::utf16();
        QTest::newRow("a mark later in the page is no mark") << " \xef\xbb\xbf" + cp1252E << Cp1252;
        QTest::newRow("latin1, single quotes, upper case") << "<META CHARSET='Latin1'>" + utf8E << Cp1252;
        QTest::newRow("label with spaces around it") << "<meta charset=\"\f l1\t\">" + utf8E << Cp1252;
        QTest::newRow("'/' ends an attribute name") << "<meta x/charset=latin1>" + utf8E << Cp1252;
        QTest::newRow("two labels are none") << "<meta charset=\"l1 utf-8\">" + utf8E << Utf8;
        QTest::newRow("utf8 alias, self-closing") << "<meta charset=utf8 />" + cp1252E << Utf8;
        QTest::newRow("UTF-16 declared in ASCII means UTF-8") << "<meta charset=utf-16>" + cp1252E << Utf8;
        QTest::newRow("Shift_JIS") << "<meta charset=\"Shift_JIS\">" + utf8E << ShiftJis;
        QTest::newRow("ISO-8859-9 is read as windows-1254")
            << "<meta charset=iso-8859-9>" + utf8E << PageEncoding::legacy("windows-1254");
        QTest::newRow("http-equiv after content, no quotes")
            << "<META CONTENT=\"text/html;charset=Shift_JIS;x\" HTTP-EQUIV=content-type>" + utf8E << ShiftJis;
        QTest::newRow("http-equiv, quoted label")
            << "<meta http-equiv=content-type content=\"text/html; charset='utf-8'\">" + cp1252E << Utf8;
        QTest::newRow("http-equiv, spaces around =")
            << "<meta http-equiv = 'Content-Type' content = 'charset x; charset = windows-1252'>" + utf8E << Cp1252;
        QTest::newRow("content without http-equiv") << "<meta content=charset=iso-8859-1>" + utf8E << Utf8;
        QTest::newRow("charset before content") << "<meta charset=utf8 content=charset=l1>" + cp1252E << Utf8;
        QTest::newRow("first declaration wins") << "<meta charset=utf-8><meta charset=iso-8859-1>" + cp1252E << Utf8;
        QTest::newRow("first attribute of a name wins") << "<meta charset=utf-8 charset=iso-8859-1>" + cp1252E << Utf8;
        QTest::newRow("after a page's own tags and a doctype")
            << "<html lang=en><head><title>x</title><!DOCTYPE html><meta charset=iso-8859-1>" + utf8E << Cp1252;
        QTest::newRow("declaration ending at byte 1024") << before1024 + "<meta charset=iso-8859-1>" + utf8E << Cp1252;
        QTest::newRow("value running past byte 1024") << before1024 + " <meta charset=iso-8859-1>" + utf8E << Utf8;
        QTest::newRow("tag running past byte 1024") << before1024 + "<meta charset=latin1 x='a'>" + utf8E << Utf8;
        QTest::newRow("unknown label") << "<meta charset=\"klingon\">" + cp1252E << Cp1252;
        QTest::newRow("replacement label") << "<meta charset=iso-2022-kr>" + cp1252E << Cp1252;
        QTest::newRow("unknown label, then a known one")
            << "<meta charset=klingon><meta charset=latin1>" + utf8E << Cp1252;
        QTest::newRow("in a comment") << "<!-- <meta charset=l1> --><meta charset=utf8>" + cp1252E << Utf8;
        QTest::newRow("in the tag after \"</ \"") << "</ <meta charset=l1><meta charset=utf8>" + cp1252E << Utf8;
        QTest::newRow("after text, a lone '<' and a tag name cut at '>'")
            << "Hi <3 <a=\">\" <meta charset=l1>" + utf8E << Cp1252;
        QTest::newRow("in other tags' attributes")
            << "<a x='<meta charset=l1>'><z x='<meta charset=l1>'><A x='<meta charset=l1>'><Z x='<meta charset=l1>'>"
                + utf8E
            << Utf8;
        QTest::newRow("not a meta tag") << "<metadata charset=iso-8859-1>" + utf8E << Utf8;
    }

    void sniffsThePageEncoding()
    {
        QFETCH(QByteArray, page);
        QFETCH(PageEncoding, encoding);

        QCOMPARE(SniffPageEncoding(page), encoding);
    }

    void valuesFollowTheSniffedEncoding_data()
    {
        QTest::addColumn<QByteArray>("page"); // holds a Title tag
        QTest::addColumn<QString>("title"); // as read from it
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("typedBytes");

        QTest::newRow("ISO-8859-1 declared")
            << "<meta charset=iso-8859-1>" + titleTag("Caf\xe9") << QStringLiteral("Café") << QStringLiteral("Ærø Ω")
            << B("\xc6r\xf8 &#937;");
        QTest::newRow("UTF-8 declared, a stray windows-1252 byte elsewhere")
            << "<meta charset=utf-8>" + titleTag("Caf\xc3\xa9") + "\xe9" << QStringLiteral("Café")
            << QStringLiteral("ü") << B("\xc3\xbc");
        QTest::newRow("Shift_JIS: every ASCII byte is itself")
            << "<meta charset=Shift_JIS>" + titleTag("\x1a\x1c\x7f\\\x93\xfa\x96\x7b")
            << QStringLiteral("\x1a\x1c\x7f\\日本") << QStringLiteral("\x7f日") << B("\x7f&#26085;");
        QTest::newRow("EUC-JP declared") << "<meta charset=euc-jp>" + titleTag("\xc6\xfc\xcb\xdc")
                                         << QStringLiteral("日本") << QStringLiteral("é") << B("&#233;");
        QTest::newRow("UTF-16 mark: the bytes as windows-1252")
            << "\xff\xfe" + titleTag("Caf\xe9") << QStringLiteral("Café") << QStringLiteral("é") << B("\xe9");
    }

    // The encoding found once decodes what is read and encodes what is typed;
    // an untouched value keeps its bytes.
    void valuesFollowTheSniffedEncoding()
    {
        QFETCH(QByteArray, page);
        QFETCH(QString, title);
        QFETCH(QString, typed);
        QFETCH(QByteArray, typedBytes);

        const PageEncoding encoding = SniffPageEncoding(page);
        const TagRead read = ReadMetaValues(page, encoding, ReadOrder::EachOnItsOwn)[MetaTag::Title];
        QCOMPARE(read.value.text, title);
        const PerTag<QByteArray> bytes
            = EncodeForPage({ read.value, FieldValue { typed, std::nullopt }, {} }, encoding);
        QCOMPARE(bytes[MetaTag::Title], *read.value.sourceBytes);
        QCOMPARE(bytes[MetaTag::Description], typedBytes);
    }
};

QTEST_GUILESS_MAIN(TestPageEncoding)
#include "tst_pageencoding.moc"
