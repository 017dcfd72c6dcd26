#include "ResultText.h"

#include <algorithm>
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
    if (end < 3 || end > 9)
        return std::nullopt;
    const QStringView body = text.sliced(1, end - 1);
    if (body.startsWith(u'#')) {
        const bool hex = body.startsWith(u"#x", Qt::CaseInsensitive);
        const QStringView digits = body.sliced(hex ? 2 : 1);
        // Digits only: toUInt would take a sign or white space as well.
        const bool onlyDigits = std::all_of(digits.begin(), digits.end(),
            [hex](QChar digit) { return QStringView(u"0123456789abcdefABCDEF").first(hex ? 22 : 10).contains(digit); });
        // At most seven digits, so no overflow; none at all gives 0.
        const char32_t value = digits.toUInt(nullptr, hex ? 16 : 10);
        if (!onlyDigits || value == 0 || value > 0x10FFFF || QChar::isSurrogate(value))
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

} // namespace

QString ResultText(const QString &value)
{
    QString shown;
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
    return text.size() - std::count_if(text.begin(), text.end(), [](QChar unit) { return unit.isLowSurrogate(); });
}

} // namespace cli
