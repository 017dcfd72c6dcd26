#include "SheetCell.h"

#include <array>

namespace cli {

namespace {

constexpr QChar Quote = QLatin1Char('"');
constexpr QChar Backslash = QLatin1Char('\\');

struct Escape
{
    QChar character;
    QLatin1StringView escaped;
};

constexpr std::array<Escape, 4> Escapes = { {
    { QLatin1Char('\\'), QLatin1StringView("\\\\") },
    { QLatin1Char('\t'), QLatin1StringView("\\t") },
    { QLatin1Char('\n'), QLatin1StringView("\\n") },
    { QLatin1Char('\r'), QLatin1StringView("\\r") },
} };

// The character that a backslash and letter stand for.
std::optional<QChar> unescaped(QChar letter)
{
    for (const Escape &escape : Escapes) {
        if (escape.escaped.back() == letter)
            return escape.character;
    }
    return std::nullopt;
}

std::optional<QString> unquoted(QStringView cell)
{
    if (cell.size() < 2 || !cell.endsWith(Quote))
        return std::nullopt;
    const QStringView inner = cell.sliced(1, cell.size() - 2);
    QString text;
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (inner[i] == Quote) {
            // Inside quotes a quote only stands doubled.
            if (!inner.sliced(i).startsWith(QLatin1String("\"\"")))
                return std::nullopt;
            ++i;
        }
        text.append(inner[i]);
    }
    return text;
}

} // namespace

std::optional<QLatin1StringView> ShortEscape(QChar character)
{
    for (const Escape &escape : Escapes) {
        if (escape.character == character)
            return escape.escaped;
    }
    return std::nullopt;
}

QString EscapeCell(QStringView text)
{
    QString cell;
    for (const QChar character : text) {
        if (const std::optional<QLatin1StringView> escaped = ShortEscape(character))
            cell.append(*escaped);
        else
            cell.append(character);
    }
    if (cell.startsWith(Quote)) {
        cell.replace(Quote, QStringLiteral("\"\""));
        cell = Quote + cell + Quote;
    }
    return cell;
}

std::optional<QString> UnescapeCell(QStringView cell)
{
    QString unquotedCell;
    if (cell.startsWith(Quote)) {
        std::optional<QString> inner = unquoted(cell);
        if (!inner)
            return std::nullopt;
        unquotedCell = std::move(*inner);
        cell = unquotedCell;
    }
    if (!cell.contains(Backslash))
        return cell.toString();

    QString text;
    for (qsizetype i = 0; i < cell.size(); ++i) {
        if (cell[i] != Backslash) {
            text.append(cell[i]);
            continue;
        }
        if (++i == cell.size())
            return std::nullopt;
        const std::optional<QChar> character = unescaped(cell[i]);
        if (!character)
            return std::nullopt;
        text.append(*character);
    }
    return text;
}

} // namespace cli
