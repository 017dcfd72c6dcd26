// Value decoding and encoding: round trips in UTF-8 and windows-1252, numeric
// character references for what windows-1252 or a declared legacy encoding
// cannot hold, the UTF-8 check against the table of well-formed UTF-8 byte
// sequences, and the order of the rules that sniff a page's encoding.
#include "ExactCopy.h"
#include "FuzzInput.h"
#include "Require.h"

#include "PageEncoding.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <iterator>

namespace {

using metatags::PageEncoding;

// Well-formed UTF-8 as the Unicode Standard's table lists it: each lead byte
// with the range its second byte must fall in.
bool isWellFormedUtf8(QByteArrayView bytes)
{
    qsizetype at = 0;
    const auto byteAt = [&bytes](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    while (at < bytes.size()) {
        const unsigned char lead = byteAt(at);
        int trailing = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead <= 0x7F) {
            ++at;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            trailing = 1;
        } else if (lead == 0xE0) {
            trailing = 2;
            low = 0xA0;
        } else if ((lead >= 0xE1 && lead <= 0xEC) || lead == 0xEE || lead == 0xEF) {
            trailing = 2;
        } else if (lead == 0xED) {
            trailing = 2;
            high = 0x9F;
        } else if (lead == 0xF0) {
            trailing = 3;
            low = 0x90;
        } else if (lead >= 0xF1 && lead <= 0xF3) {
            trailing = 3;
        } else if (lead == 0xF4) {
            trailing = 3;
            high = 0x8F;
        } else {
            return false;
        }
        if (bytes.size() - at <= trailing)
            return false;
        if (byteAt(at + 1) < low || byteAt(at + 1) > high)
            return false;
        for (int i = 2; i <= trailing; ++i) {
            if (byteAt(at + i) < 0x80 || byteAt(at + i) > 0xBF)
                return false;
        }
        at += trailing + 1;
    }
    return true;
}

// A line break written to a page is CR LF; one that is CR LF already stays so.
template<typename Text, typename Unit> Text withCrLf(const Text &text, Unit lineFeed, Unit carriageReturn)
{
    Text out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == lineFeed && (i == 0 || text[i - 1] != carriageReturn))
            out.append(carriageReturn);
        out.append(text[i]);
    }
    return out;
}

QByteArray bytesWithCrLf(QByteArrayView bytes)
{
    return withCrLf(bytes.toByteArray(), '\n', '\r');
}

QString textWithCrLf(const QString &text)
{
    return withCrLf(text, QChar(u'\n'), QChar(u'\r'));
}

// The characters windows-1252 holds are the ones its bytes decode to; only
// 0x80 to 0x9F differ from Latin-1.
class Windows1252Holds
{
public:
    Windows1252Holds()
    {
        QByteArray highControls;
        for (int value = 0x80; value < 0xA0; ++value)
            highControls.append(static_cast<char>(value));
        m_highControls = metatags::DecodeValue(highControls, PageEncoding::windows1252());
    }
    bool operator()(QChar unit) const
    {
        const char16_t value = unit.unicode();
        return value < 0x80 || (value >= 0xA0 && value <= 0xFF) || m_highControls.contains(unit);
    }

private:
    QString m_highControls;
};

// Appended in place: a temporary string for every character would make the
// allocator the bulk of each run.
void appendReference(QString &out, char32_t codePoint)
{
    char digits[16];
    const std::to_chars_result end
        = std::to_chars(std::begin(digits), std::end(digits), static_cast<quint32>(codePoint));
    out.append(QLatin1StringView("&#")).append(QLatin1StringView(digits, end.ptr)).append(QLatin1Char(';'));
}

// What a page gives back for a typed text when the page's encoding holds
// the characters that holds accepts.
template<typename Holds> QString expectedWithReferences(const QString &typed, const Holds &holds)
{
    const QString text = textWithCrLf(typed);
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text[i];
        if (holds(unit))
            out.append(unit);
        else if (unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            appendReference(out, QChar::surrogateToUcs4(unit, text[++i]));
        else if (unit.isSurrogate())
            appendReference(out, QChar::ReplacementCharacter);
        else
            appendReference(out, unit.unicode());
    }
    return out;
}

// What a page in UTF-8 gives back for a typed text: everything, but a lone
// surrogate, which is no character and comes back as U+FFFD.
QString expectedFromUtf8(const QString &typed)
{
    const QString text = textWithCrLf(typed);
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text[i];
        if (unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out.append(unit).append(text[++i]);
        } else {
            out.append(unit.isSurrogate() ? QChar(QChar::ReplacementCharacter) : unit);
        }
    }
    return out;
}

bool startsWith(QByteArrayView bytes, QByteArrayView prefix)
{
    return bytes.size() >= prefix.size() && bytes.first(prefix.size()) == prefix;
}

void checkBytes(QByteArrayView bytes)
{
    const bool valid = isWellFormedUtf8(bytes);
    fuzz::Require(bytes.isValidUtf8() == valid, "isValidUtf8 agrees with the table of well-formed UTF-8");

    const QString asWindows1252 = metatags::DecodeValue(bytes, PageEncoding::windows1252());
    fuzz::Require(asWindows1252.size() == bytes.size(), "windows-1252 gives one character for every byte");
    fuzz::Require(metatags::EncodeValue(asWindows1252, PageEncoding::windows1252()) == bytesWithCrLf(bytes),
        "windows-1252 bytes decoded and encoded again are the same bytes, LF as CR LF");
    if (valid) {
        fuzz::Require(metatags::EncodeValue(metatags::DecodeValue(bytes, PageEncoding::utf8()), PageEncoding::utf8())
                == bytesWithCrLf(bytes),
            "UTF-8 bytes decoded and encoded again are the same bytes, LF as CR LF");
    }
}

// The rules in their order: a byte-order mark, a declaration within the first
// 1024 bytes, then the bytes themselves.
void checkSniffed(QByteArrayView page, qsizetype valueAt, qsizetype valueLength)
{
    const PageEncoding sniffed = metatags::SniffPageEncoding(page);
    const QByteArrayView head = page.first(std::min<qsizetype>(page.size(), 1024));
    if (startsWith(page, "\xEF\xBB\xBF")) {
        fuzz::Require(sniffed == PageEncoding::utf8(), "a UTF-8 byte-order mark makes the page UTF-8");
    } else if (startsWith(page, "\xFF\xFE") || startsWith(page, "\xFE\xFF")) {
        fuzz::Require(sniffed == PageEncoding::utf16(), "a UTF-16 byte-order mark makes the page UTF-16");
    } else if (!head.toByteArray().toLower().contains("charset")) {
        fuzz::Require(sniffed == (isWellFormedUtf8(page) ? PageEncoding::utf8() : PageEncoding::windows1252()),
            "without a mark or a declaration, a page is UTF-8 exactly when it is valid UTF-8");
    }
    if (sniffed.kind == PageEncoding::Kind::Legacy) {
        fuzz::Require(QStringDecoder(sniffed.codec.constData()).isValid(), "a legacy encoding is one Qt can decode");
        fuzz::Require(metatags::SniffPageEncoding(head) == sniffed, "only the first 1024 bytes can declare");
    }

    const qsizetype start = page.isEmpty() ? 0 : valueAt % page.size();
    const QByteArrayView value = page.sliced(start, std::min(valueLength, page.size() - start));
    const QString text = metatags::DecodeValue(value, sniffed);
    if (sniffed.kind != PageEncoding::Kind::Legacy)
        fuzz::Require(text.size() <= value.size(), "UTF-8 and windows-1252 give at most one unit for every byte");
}

void checkTyped(const QString &typed)
{
    const QByteArray windows1252 = metatags::EncodeValue(typed, PageEncoding::windows1252());
    fuzz::Require(metatags::DecodeValue(windows1252, PageEncoding::windows1252())
            == expectedWithReferences(typed, Windows1252Holds()),
        "a typed text comes back from windows-1252, with numeric references for what it cannot hold");

    const QByteArray utf8 = metatags::EncodeValue(typed, PageEncoding::utf8());
    fuzz::Require(QByteArrayView(utf8).isValidUtf8(), "a typed text encodes as valid UTF-8");
    fuzz::Require(metatags::DecodeValue(utf8, PageEncoding::utf8()) == expectedFromUtf8(typed),
        "a typed text comes back from UTF-8");

    // Any legacy encoding writes the same ASCII; EUC-JP reads ASCII as itself.
    const PageEncoding legacy = PageEncoding::legacy("EUC-JP");
    const QByteArray ascii = metatags::EncodeValue(typed, legacy);
    fuzz::Require(std::all_of(ascii.begin(), ascii.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }),
        "a typed text goes to a legacy encoding as ASCII");
    fuzz::Require(metatags::DecodeValue(ascii, legacy)
            == expectedWithReferences(typed, [](QChar unit) { return unit.unicode() < 0x80; }),
        "a typed text comes back from a legacy encoding, with numeric references beyond ASCII");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    const std::uint16_t valueAt = input.takeUint16();
    const std::uint8_t valueLength = input.takeByte();
    const fuzz::ExactCopy bytes(input.rest());

    checkBytes(bytes.view());
    checkSniffed(bytes.view(), valueAt, valueLength);
    checkTyped(fuzz::Utf16Text(bytes.view()));
    return 0;
}
