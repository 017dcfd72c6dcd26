#include "ResultText.h"

#include <array>
#include <optional>
#include <utility>

namespace cli {

namespace {

bool isSpace(QChar character)
{
    // HTML's white space, which a browser collapses.
    return character == u' ' || character == u'\t' || character == u'\n' || character == u'\r' || character == u'\f';
}

// 0-9, a-f or A-F as a number, or -1.
int digitValueOf(QChar digit)
{
    const char16_t unit = digit.unicode();
    if (unit >= u'0' && unit <= u'9')
        return unit - u'0';
    if (unit >= u'a' && unit <= u'f')
        return unit - u'a' + 10;
    if (unit >= u'A' && unit <= u'F')
        return unit - u'A' + 10;
    return -1;
}

struct Reference
{
    char32_t character = 0;
    qsizetype length = 0; // from '&' through ';'
};

// The reference that starts at text[0] == '&', if it is one that is decoded.
std::optional<Reference> referenceAt(QStringView text)
{
    const qsizetype end = text.indexOf(u';');
    // The longest reference decoded, "&#x10FFFF;", has ten characters.
    if (end < 2 || end > 9)
        return std::nullopt;
    const QStringView body = text.sliced(1, end - 1);
    if (body.startsWith(u'#')) {
        const bool hex = body.size() > 1 && (body[1] == u'x' || body[1] == u'X');
        const QStringView digits = body.sliced(hex ? 2 : 1);
        const char32_t base = hex ? 16 : 10;
        char32_t value = 0;
        for (const QChar digit : digits) {
            const int digitValue = digitValueOf(digit);
            if (digitValue < 0 || char32_t(digitValue) >= base)
                return std::nullopt;
            value = value * base + char32_t(digitValue);
        }
        if (digits.isEmpty() || value == 0 || value > 0x10FFFF || QChar::isSurrogate(value))
            return std::nullopt;
        return Reference { value, end + 1 };
    }
    static const std::array<std::pair<QStringView, char32_t>, 6> named = { {
        { u"amp", U'&' },
        { u"lt", U'<' },
        { u"gt", U'>' },
        { u"quot", U'"' },
        { u"apos", U'\'' },
        { u"nbsp", U'\u00A0' },
    } };
    for (const auto &[name, character] : named) {
        if (body == name)
            return Reference { character, end + 1 };
    }
    return std::nullopt;
}

// Whether a search result shows the value exactly as it is written, as most
// values are: then it needs no copy.
bool shownAsWritten(QStringView value)
{
    if (value.isEmpty())
        return true;
    if (value.front() == u' ' || value.back() == u' ')
        return false;
    QChar previous;
    for (const QChar character : value) {
        if (character == u'&' || (isSpace(character) && (character != u' ' || previous == u' ')))
            return false;
        previous = character;
    }
    return true;
}

} // namespace

QString ResultText(const QString &value)
{
    if (shownAsWritten(value))
        return value;
    QString shown;
    shown.reserve(value.size());
    bool pendingSpace = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (isSpace(value[i])) {
            pendingSpace = !shown.isEmpty();
            continue;
        }
        if (pendingSpace)
            shown.append(u' ');
        pendingSpace = false;
        const std::optional<Reference> reference
            = value[i] == u'&' ? referenceAt(value.sliced(i, std::min<qsizetype>(value.size() - i, 11))) : std::nullopt;
        if (reference) {
            shown.append(QString::fromUcs4(&reference->character, 1));
            i += reference->length - 1;
        } else {
            shown.append(value[i]);
        }
    }
    return shown;
}

qsizetype CharacterCount(QStringView text)
{
    qsizetype count = 0;
    for (const QChar unit : text)
        count += unit.isLowSurrogate() ? 0 : 1;
    return count;
}

} // namespace cli
