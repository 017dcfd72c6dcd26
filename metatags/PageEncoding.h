#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <utility>

namespace metatags {

// How the text of meta values maps to the bytes of a page. The page bytes
// themselves are never decoded or re-encoded; only the values are.
struct PageEncoding
{
    enum class Kind {
        Utf8,
        Windows1252, // every byte is one character and back
        // Another encoding that keeps ASCII as ASCII (Shift_JIS, KOI8-R...):
        // values are decoded with Qt's converter, and typed text is written
        // as ASCII with a character reference for everything beyond it.
        Legacy,
        // A page that starts with a UTF-16 byte-order mark: its values are
        // read as windows-1252 bytes, and the page is never saved, since the
        // preamble cannot be written in UTF-16 by the page's rules.
        Utf16,
    };

    Kind kind = Kind::Utf8;
    // Legacy only: the converter's name as QStringDecoder knows it.
    QByteArray codec;

    static PageEncoding utf8() { return { Kind::Utf8, {} }; }
    static PageEncoding windows1252() { return { Kind::Windows1252, {} }; }
    static PageEncoding legacy(QByteArray codec) { return { Kind::Legacy, std::move(codec) }; }
    static PageEncoding utf16() { return { Kind::Utf16, {} }; }

    bool operator==(const PageEncoding &) const = default;
};

// The encoding of a page's values, decided once from the page as it was read,
// before any cut, in the order a browser uses: a byte-order mark, then a
// charset declared in a meta tag within the first 1024 bytes, then whether
// the whole page is valid UTF-8 (windows-1252 when it is not).
PageEncoding SniffPageEncoding(QByteArrayView pageAsRead);

QString DecodeValue(QByteArrayView bytes, const PageEncoding &encoding);

// A value as the editor's fields hold it: every line-end convention (CR LF,
// LF or CR) becomes a single "\n".
QString WithPlainLineBreaks(QString text);

// Encodes a field's text for a page: a line break ("\n") becomes CR LF, a
// character the encoding cannot hold becomes a numeric character reference
// such as "&#937;" for an omega instead of being lost, and a lone surrogate,
// which is no character at all, becomes U+FFFD.
QByteArray EncodeValue(QStringView text, const PageEncoding &encoding);

} // namespace metatags
