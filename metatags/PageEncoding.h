#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace metatags {

// How the text of meta values maps to the bytes of a page. The page bytes
// themselves are never decoded or re-encoded; only the values are.
enum class PageEncoding {
    Utf8, // the page's bytes are valid UTF-8
    Windows1252, // any other page: every byte is one character and back
};

bool IsValidUtf8(QByteArrayView bytes);
PageEncoding DetectPageEncoding(QByteArrayView page);

QString DecodeValue(QByteArrayView bytes, PageEncoding encoding);

// Encodes a field's text for a page: a line break ("\n") becomes CR LF, and a
// character that windows-1252 cannot hold becomes a numeric character
// reference such as "&#937;" for an omega instead of being lost.
QByteArray EncodeValue(QStringView text, PageEncoding encoding);

// Decodes values cut from one page, finding the page's encoding only when a
// value needs it: a value in plain ASCII reads the same in both.
class PageText
{
public:
    explicit PageText(QByteArrayView page)
        : m_page(page)
    { }
    QString decode(QByteArrayView value);

private:
    QByteArrayView m_page;
    std::optional<PageEncoding> m_encoding;
};

} // namespace metatags
