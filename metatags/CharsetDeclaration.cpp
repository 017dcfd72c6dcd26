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

// The byte at i, or NUL at the end of the bytes, where every scan below stops.
char byteAt(QByteArrayView bytes, qsizetype i)
{
    const QByteArrayView rest = bytes.sliced(i);
    return rest.isEmpty() ? '\0' : rest.front();
}

// Where the word that starts at `from` ends: at a space, at `stop` or at the end of the bytes.
qsizetype wordEnd(QByteArrayView bytes, qsizetype from, char stop)
{
    const QByteArrayView rest = bytes.sliced(from);
    return from + (std::ranges::find_if(rest, [stop](char c) { return IsHtmlSpace(c) || c == stop; }) - rest.begin());
}

// The label after "charset=" in a Content-Type value such as
// "text/html; charset=iso-8859-1", quoted or not.
std::optional<PageEncoding> encodingInContent(QByteArrayView content)
{
    qsizetype at = 0;
    while (true) {
        const qsizetype word = FindBytes(content, "charset", at);
        if (word == -1)
            return std::nullopt;
        at = word + 7;
        while (IsHtmlSpace(byteAt(content, at)))
            ++at;
        if (byteAt(content, at) != '=')
            continue;
        ++at;
        while (IsHtmlSpace(byteAt(content, at)))
            ++at;
        const char first = byteAt(content, at);
        if (first == '"' || first == '\'') {
            const qsizetype start = at + 1;
            const qsizetype close = FindBytes(content, QByteArrayView(&first, 1), start);
            if (close == -1)
                return std::nullopt;
            return EncodingOfCharsetLabel(content.sliced(start, close - start));
        }
        // Nothing at all after the "=" is an empty label, which names no encoding.
        return EncodingOfCharsetLabel(content.sliced(at, wordEnd(content, at, ';') - at));
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
        while (!atEnd()) {
            if (startsHere("<!--")) {
                // The dashes of "<!--" may be those of "-->" too.
                const qsizetype end = FindBytes(m_bytes, "-->", m_at + 2);
                m_at = end == -1 ? m_bytes.size() : end + 3;
            } else if (startsHere("<meta")
                && (IsHtmlSpace(byteAt(m_bytes, m_at + 5)) || byteAt(m_bytes, m_at + 5) == '/')) {
                m_at += 5;
                if (std::optional<PageEncoding> declared = metaTag())
                    return declared;
            } else if (startsTag()) {
                m_at = wordEnd(m_bytes, m_at, '>');
                while (nextAttribute()) { }
            } else if (startsHere("<!") || startsHere("</") || startsHere("<?")) {
                // The byte after the "<" is no ">".
                const qsizetype end = FindBytes(m_bytes, ">", m_at + 2);
                m_at = end == -1 ? m_bytes.size() : end + 1;
            } else {
                // Also past the '>' that ended a tag's attributes.
                ++m_at;
            }
        }
        return std::nullopt;
    }

private:
    char current() const { return byteAt(m_bytes, m_at); }

    bool atEnd() const { return m_at == m_bytes.size(); }

    // Whether text stands at the current byte, in any case.
    bool startsHere(QByteArrayView text) const
    {
        const QByteArrayView rest = m_bytes.sliced(m_at);
        return rest.first(std::min(rest.size(), text.size())).compare(text, Qt::CaseInsensitive) == 0;
    }

    // "<" or "</" followed by a letter: a start or end tag.
    bool startsTag() const
    {
        const qsizetype letter = startsHere("</") ? m_at + 2 : m_at + 1;
        return current() == '<' && isAsciiLetter(byteAt(m_bytes, letter));
    }

    // The declaration a meta tag makes, if any. Leaves the position on the
    // byte that ended its attributes.
    std::optional<PageEncoding> metaTag()
    {
        QList<QByteArray> names;
        bool gotPragma = false;
        std::optional<bool> needPragma;
        std::optional<PageEncoding> charset;
        while (std::optional<Attribute> attribute = nextAttribute()) {
            attribute->name = attribute->name.toLower();
            attribute->value = attribute->value.toLower();
            if (names.contains(attribute->name))
                continue;
            names.append(attribute->name);
            if (attribute->name == "http-equiv") {
                gotPragma = gotPragma || attribute->value == "content-type";
            } else if (attribute->name == "content" && !names.contains("charset")) {
                // A second content attribute is passed over as a repeated name.
                if (std::optional<PageEncoding> inContent = encodingInContent(attribute->value)) {
                    charset = std::move(inContent);
                    needPragma = true;
                }
            } else if (attribute->name == "charset") {
                charset = EncodingOfCharsetLabel(attribute->value);
                needPragma = false;
            }
        }
        // A tag cut off by the end of the bytes declares nothing; a content
        // attribute counts only in a Content-Type pragma.
        if (atEnd() || !needPragma || (*needPragma && !gotPragma))
            return std::nullopt;
        return charset;
    }

    // The next attribute of a tag, its name and value as written, or nothing at the tag's end or the end of the bytes.
    // An attribute that the end of the bytes cuts short may come back too: the tag it is in declares nothing anyway.
    std::optional<Attribute> nextAttribute()
    {
        while (IsHtmlSpace(current()) || current() == '/')
            ++m_at;
        if (current() == '>')
            return std::nullopt;
        Attribute attribute;
        for (;; ++m_at) {
            if (atEnd())
                return std::nullopt;
            const char c = current();
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
        while (IsHtmlSpace(current()))
            ++m_at;
        if (current() != '=')
            return attribute;
        ++m_at;
        return withValue(std::move(attribute));
    }

    // The value behind an attribute's "=": quoted, or up to a space or '>'.
    std::optional<Attribute> withValue(Attribute attribute)
    {
        while (IsHtmlSpace(current()))
            ++m_at;
        const char quote = current();
        if (quote == '"' || quote == '\'') {
            const qsizetype start = m_at + 1;
            const qsizetype close = FindBytes(m_bytes, QByteArrayView(&quote, 1), start);
            if (close == -1) {
                m_at = m_bytes.size();
                return std::nullopt;
            }
            attribute.value = m_bytes.sliced(start, close - start).toByteArray();
            m_at = close + 1;
            return attribute;
        }
        const qsizetype end = wordEnd(m_bytes, m_at, '>');
        attribute.value = m_bytes.sliced(m_at, end - m_at).toByteArray();
        m_at = end;
        return attribute;
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
