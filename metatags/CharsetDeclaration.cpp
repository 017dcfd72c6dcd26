#include "CharsetDeclaration.h"

#include "ByteSearch.h"
#include "CharsetLabel.h"

#include <QByteArray>
#include <QList>

#include <algorithm>

namespace metatags {

namespace {

constexpr qsizetype PrescanLength = 1024;

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

struct Attribute
{
    QByteArray name;
    QByteArray value;
};

// The label after "charset=" in a Content-Type value such as
// "text/html; charset=iso-8859-1", quoted or not.
std::optional<PageEncoding> encodingInContent(QByteArrayView content)
{
    qsizetype at = 0;
    while (true) {
        const qsizetype word = FindBytes(content, "charset", at);
        if (word < 0)
            return std::nullopt;
        at = word + 7;
        while (at < content.size() && IsHtmlSpace(content[at]))
            ++at;
        if (at >= content.size() || content[at] != '=')
            continue;
        ++at;
        while (at < content.size() && IsHtmlSpace(content[at]))
            ++at;
        if (at >= content.size())
            return std::nullopt;
        const char first = content[at];
        if (first == '"' || first == '\'') {
            const qsizetype close = FindBytes(content, QByteArrayView(&first, 1), at + 1);
            if (close < 0)
                return std::nullopt;
            return EncodingOfCharsetLabel(content.sliced(at + 1, close - at - 1));
        }
        qsizetype end = at;
        while (end < content.size() && !IsHtmlSpace(content[end]) && content[end] != ';')
            ++end;
        return EncodingOfCharsetLabel(content.sliced(at, end - at));
    }
}

// One pass over the bytes, as the HTML standard's prescan walks them.
class Prescan
{
public:
    explicit Prescan(QByteArrayView bytes)
        : m_bytes(bytes)
    { }

    std::optional<PageEncoding> run()
    {
        while (m_at < m_bytes.size()) {
            if (startsHere("<!--")) {
                // The dashes of "<!--" may be those of "-->" too.
                const qsizetype end = FindBytes(m_bytes, "-->", m_at + 2);
                m_at = end < 0 ? m_bytes.size() : end + 3;
            } else if (startsHere("<meta") && m_at + 5 < m_bytes.size()
                && (IsHtmlSpace(m_bytes[m_at + 5]) || m_bytes[m_at + 5] == '/')) {
                m_at += 5;
                if (std::optional<PageEncoding> declared = metaTag())
                    return declared;
                ++m_at;
            } else if (startsTag()) {
                while (m_at < m_bytes.size() && !IsHtmlSpace(m_bytes[m_at]) && m_bytes[m_at] != '>')
                    ++m_at;
                while (nextAttribute()) { }
                ++m_at;
            } else if (startsHere("<!") || startsHere("</") || startsHere("<?")) {
                const qsizetype end = FindBytes(m_bytes, ">", m_at + 1);
                m_at = end < 0 ? m_bytes.size() : end + 1;
            } else {
                ++m_at;
            }
        }
        return std::nullopt;
    }

private:
    // Whether text stands at the current byte, in any case.
    bool startsHere(QByteArrayView text) const
    {
        return m_bytes.size() - m_at >= text.size()
            && m_bytes.sliced(m_at, text.size()).compare(text, Qt::CaseInsensitive) == 0;
    }

    // "<" or "</" followed by a letter: a start or end tag.
    bool startsTag() const
    {
        const qsizetype letter = startsHere("</") ? m_at + 2 : m_at + 1;
        return m_bytes[m_at] == '<' && letter < m_bytes.size() && isAsciiLetter(m_bytes[letter]);
    }

    // The declaration a meta tag makes, if any. Leaves the position on the
    // byte that ended its attributes.
    std::optional<PageEncoding> metaTag()
    {
        QList<QByteArray> names;
        bool gotPragma = false;
        std::optional<bool> needPragma;
        bool charsetGiven = false;
        std::optional<PageEncoding> charset;
        while (std::optional<Attribute> attribute = nextAttribute()) {
            attribute->name = attribute->name.toLower();
            attribute->value = attribute->value.toLower();
            if (names.contains(attribute->name))
                continue;
            names.append(attribute->name);
            if (attribute->name == "http-equiv") {
                gotPragma = gotPragma || attribute->value == "content-type";
            } else if (attribute->name == "content" && !charsetGiven) {
                if (std::optional<PageEncoding> inContent = encodingInContent(attribute->value)) {
                    charset = std::move(inContent);
                    charsetGiven = true;
                    needPragma = true;
                }
            } else if (attribute->name == "charset") {
                charset = EncodingOfCharsetLabel(attribute->value);
                charsetGiven = true;
                needPragma = false;
            }
        }
        // A content attribute counts only in a Content-Type pragma.
        if (m_at >= m_bytes.size() || !needPragma || (*needPragma && !gotPragma))
            return std::nullopt;
        return charset;
    }

    // The next attribute of a tag, its name and value as written, or nothing at the tag's end or the end of the bytes.
    std::optional<Attribute> nextAttribute()
    {
        while (m_at < m_bytes.size() && (IsHtmlSpace(m_bytes[m_at]) || m_bytes[m_at] == '/'))
            ++m_at;
        if (m_at >= m_bytes.size() || m_bytes[m_at] == '>')
            return std::nullopt;
        Attribute attribute;
        for (;; ++m_at) {
            if (m_at >= m_bytes.size())
                return std::nullopt;
            const char c = m_bytes[m_at];
            if (c == '=' && !attribute.name.isEmpty()) {
                ++m_at;
                return withValue(std::move(attribute));
            }
            if (IsHtmlSpace(c))
                break;
            if (c == '/' || c == '>')
                return attribute;
            attribute.name.append(c);
        }
        while (m_at < m_bytes.size() && IsHtmlSpace(m_bytes[m_at]))
            ++m_at;
        if (m_at >= m_bytes.size())
            return std::nullopt;
        if (m_bytes[m_at] != '=')
            return attribute;
        ++m_at;
        return withValue(std::move(attribute));
    }

    // The value behind an attribute's "=": quoted, or up to a space or '>'.
    std::optional<Attribute> withValue(Attribute attribute)
    {
        while (m_at < m_bytes.size() && IsHtmlSpace(m_bytes[m_at]))
            ++m_at;
        if (m_at >= m_bytes.size())
            return std::nullopt;
        const char first = m_bytes[m_at];
        if (first == '>')
            return attribute;
        if (first == '"' || first == '\'') {
            for (++m_at; m_at < m_bytes.size(); ++m_at) {
                if (m_bytes[m_at] == first) {
                    ++m_at;
                    return attribute;
                }
                attribute.value.append(m_bytes[m_at]);
            }
            return std::nullopt;
        }
        for (; m_at < m_bytes.size(); ++m_at) {
            const char c = m_bytes[m_at];
            if (IsHtmlSpace(c) || c == '>')
                return attribute;
            attribute.value.append(c);
        }
        return std::nullopt;
    }

    QByteArrayView m_bytes;
    qsizetype m_at = 0;
};

} // namespace

std::optional<PageEncoding> DeclaredPageEncoding(QByteArrayView page)
{
    return Prescan(page.first(std::min(page.size(), PrescanLength))).run();
}

} // namespace metatags
