// Value decoding and encoding on any bytes and any UTF-16 text: round trips
// in UTF-8 and windows-1252, and numeric character references for what an
// encoding cannot hold. (fuzz_metapage sniffs every page it is given.)
#include "Require.h"

#include "PageEncoding.h"

#include <QRegularExpression>

#include <algorithm>

using fuzz::Require;
using metatags::PageEncoding;

namespace {

QByteArray withCrLf(QByteArrayView bytes)
{
    return bytes.toByteArray().replace("\r\n", "\n").replace("\n", "\r\n");
}

// The text with every line break as CR LF and every lone surrogate as U+FFFD:
// what any page gives back, references read as the characters they stand for.
QString expectedBack(const QString &typed)
{
    QString text = typed;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\n', QStringLiteral("\r\n"));
}

QString withReferencesRead(const QString &text)
{
    static const QRegularExpression reference(QStringLiteral("&#([0-9]+);"));
    QString out;
    qsizetype done = 0;
    for (auto matches = reference.globalMatch(text); matches.hasNext();) {
        const QRegularExpressionMatch match = matches.next();
        const char32_t codePoint = match.capturedView(1).toUInt();
        out.append(QStringView(text).sliced(done, match.capturedStart() - done))
            .append(QString::fromUcs4(&codePoint, 1));
        done = match.capturedEnd();
    }
    return out.append(QStringView(text).sliced(done));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    const PageEncoding cp1252 = PageEncoding::windows1252();
    const QString asWindows1252 = metatags::DecodeValue(bytes, cp1252);
    Require(asWindows1252.size() == bytes.size(), "windows-1252 gives one character for every byte");
    Require(metatags::EncodeValue(asWindows1252, cp1252) == withCrLf(bytes), "windows-1252 bytes come back");
    const PageEncoding utf8 = PageEncoding::utf8();
    if (bytes.isValidUtf8())
        Require(metatags::EncodeValue(metatags::DecodeValue(bytes, utf8), utf8) == withCrLf(bytes),
            "UTF-8 bytes come back");

    // Typed text without '&', so that every reference in the bytes is one the
    // encoding wrote.
    const QString typed = fuzz::Utf16Text(bytes).remove(u'&');
    const QByteArray inUtf8 = metatags::EncodeValue(typed, utf8);
    Require(QByteArrayView(inUtf8).isValidUtf8(), "a typed text encodes as valid UTF-8");
    Require(metatags::DecodeValue(inUtf8, utf8) == expectedBack(typed), "a typed text comes back from UTF-8");
    for (const PageEncoding &encoding : { cp1252, PageEncoding::legacy("EUC-JP") }) {
        const QByteArray written = metatags::EncodeValue(typed, encoding);
        Require(
            encoding == cp1252 || std::all_of(written.begin(), written.end(), [](char c) { return (c & 0x80) == 0; }),
            "a typed text goes to a legacy encoding as ASCII");
        Require(withReferencesRead(metatags::DecodeValue(written, encoding)) == expectedBack(typed),
            "a typed text comes back, with references for what the encoding cannot hold");
    }
    return 0;
}
