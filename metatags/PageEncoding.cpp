#include "PageEncoding.h"

#include "CharsetDeclaration.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <optional>

namespace metatags {

namespace {

// windows-1252 bytes 0x80 to 0x9F as the WHATWG Encoding Standard maps them;
// the five bytes it leaves undefined map to the C1 control of the same number.
// clang-format off
constexpr std::array<char16_t, 32> HighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 0x98
};
// clang-format on

std::optional<char> windows1252Byte(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return static_cast<char>(unit);
    const auto *high = std::ranges::find(HighControlRange, unit);
    if (high == HighControlRange.end())
        return std::nullopt;
    return static_cast<char>(0x80 + (high - HighControlRange.begin()));
}

void appendCharacterReference(QByteArray &out, char32_t codePoint)
{
    out.append("&#").append(QByteArray::number(static_cast<quint32>(codePoint))).append(';');
}

// Whether the unit after i is a low surrogate, the second half of a pair.
bool lowSurrogateAfter(QStringView text, qsizetype i)
{
    const QStringView next = text.mid(i + 1, 1);
    return !next.isEmpty() && next.front().isLowSurrogate();
}

// Writes each character as the byte byteOf gives, or as a numeric character
// reference when it gives none.
template<typename ByteOf> QByteArray encodeWithReferences(QStringView text, ByteOf byteOf)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text[i];
        if (const std::optional<char> byte = byteOf(unit.unicode())) {
            out.append(*byte);
        } else if (unit.isHighSurrogate() && lowSurrogateAfter(text, i)) {
            appendCharacterReference(out, QChar::surrogateToUcs4(unit, text[i + 1]));
            ++i;
        } else if (unit.isSurrogate()) {
            appendCharacterReference(out, QChar::ReplacementCharacter);
        } else {
            appendCharacterReference(out, unit.unicode());
        }
    }
    return out;
}

std::optional<char> asciiByte(char16_t unit)
{
    return unit < 0x80 ? std::optional<char>(static_cast<char>(unit)) : std::nullopt;
}

// Qt writes a lone surrogate as "?"; U+FFFD at least shows that something
// was there.
QByteArray encodeUtf8(QString text)
{
    const QString &read = text; // reading alone does not copy a shared string
    // A pair moves i on by two, but never past the end.
    for (qsizetype i = 0; i != read.size(); ++i) {
        if (read[i].isHighSurrogate() && lowSurrogateAfter(read, i))
            ++i;
        else if (read[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text.toUtf8();
}

// ICU's tables for Shift_JIS and IBM866 trade 0x1A, 0x1C and 0x7F among
// themselves; a browser reads every ASCII byte as itself. No multi-byte
// character of a declared encoding holds one of the three.
bool isTradedControl(char byte)
{
    return byte == 0x1A || byte == 0x1C || byte == 0x7F;
}

QString decodeLegacy(QByteArrayView bytes, const QByteArray &codec)
{
    QString text;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && !isTradedControl(bytes[i]))
            continue;
        QStringDecoder decoder(codec.constData(), QStringConverter::Flag::Stateless);
        text += decoder.decode(bytes.sliced(from, i - from));
        if (i < bytes.size())
            text += QLatin1Char(bytes[i]);
        from = i + 1;
    }
    return text;
}

QString decodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        *out++ = (value >= 0x80 && value < 0xA0) ? QChar(HighControlRange[value - 0x80]) : QChar(value);
    }
    return text;
}

// A typed line break is "\n"; one that came from the page is already CR LF and
// must not gain a second CR.
QString withCrLf(QStringView text)
{
    QString out = text.toString();
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return out;
}

} // namespace

QString WithPlainLineBreaks(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

PageEncoding SniffPageEncoding(QByteArrayView pageAsRead)
{
    if (pageAsRead.startsWith("\xEF\xBB\xBF"))
        return PageEncoding::utf8();
    if (pageAsRead.startsWith("\xFF\xFE") || pageAsRead.startsWith("\xFE\xFF"))
        return PageEncoding::utf16();
    if (std::optional<PageEncoding> declared = DeclaredPageEncoding(pageAsRead))
        return *std::move(declared);
    return pageAsRead.isValidUtf8() ? PageEncoding::utf8() : PageEncoding::windows1252();
}

QString DecodeValue(QByteArrayView bytes, const PageEncoding &encoding)
{
    switch (encoding.kind) {
    case PageEncoding::Kind::Utf8: {
        // Not QString::fromUtf8(): it drops a leading U+FEFF as a byte-order
        // mark, but a value cut from a page keeps every character it holds.
        QStringDecoder decoder(
            QStringConverter::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        return decoder.decode(bytes);
    }
    case PageEncoding::Kind::Legacy:
        return decodeLegacy(bytes, encoding.codec);
    case PageEncoding::Kind::Windows1252:
    case PageEncoding::Kind::Utf16:
        break;
    }
    return decodeWindows1252(bytes);
}

QByteArray EncodeValue(QStringView text, const PageEncoding &encoding)
{
    const QString withLineEnds = withCrLf(text);
    switch (encoding.kind) {
    case PageEncoding::Kind::Utf8:
        return encodeUtf8(withLineEnds);
    case PageEncoding::Kind::Legacy:
        // ASCII means the same in every encoding a page can declare that way.
        return encodeWithReferences(withLineEnds, asciiByte);
    case PageEncoding::Kind::Windows1252:
    case PageEncoding::Kind::Utf16:
        break;
    }
    return encodeWithReferences(withLineEnds, windows1252Byte);
}

} // namespace metatags
