#include "SheetFormat.h"

#include "SheetCell.h"

#include <QStringList>

namespace cli {

namespace {

QString statusColumn(MetaTag field)
{
    return ColumnName(field) + StatusColumnSuffix;
}

QString escapedJson(QStringView text)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    escaped.append(QLatin1Char('"'));
    for (const QChar character : text) {
        if (character == QLatin1Char('"'))
            escaped.append(QLatin1String("\\\""));
        else if (const std::optional<QLatin1StringView> shortEscape = ShortEscape(character))
            escaped.append(*shortEscape);
        // Controls of either range could steer a terminal that shows the line.
        else if (character.unicode() < 0x20 || (character.unicode() >= 0x7F && character.unicode() < 0xA0))
            escaped.append(QStringLiteral("\\u%1").arg(uint { character.unicode() }, 4, 16, QLatin1Char('0')));
        else
            escaped.append(character);
    }
    escaped.append(QLatin1Char('"'));
    return escaped;
}

} // namespace

QByteArray JsonString(QStringView text)
{
    return escapedJson(text).toUtf8();
}

QByteArray SheetHeader()
{
    QStringList columns { QStringLiteral("path") };
    for (const MetaTag field : AllMetaTags)
        columns.append(ColumnName(field));
    for (const MetaTag field : AllMetaTags)
        columns.append(statusColumn(field));
    return columns.join(QLatin1Char('\t')).toUtf8().append('\n');
}

QByteArray SheetLine(const ShownPage &page)
{
    QString line = EscapeCell(page.path);
    for (const metatags::TagRead &value : page.values.values)
        line.append(QLatin1Char('\t')).append(EscapeCell(value.value.text));
    for (const metatags::TagRead &value : page.values.values)
        line.append(QLatin1Char('\t')).append(StatusName(value.outcome));
    return line.toUtf8().append('\n');
}

QByteArray JsonLine(const ShownPage &page)
{
    QByteArray out("{\"path\":");
    out.append(JsonString(page.path));
    for (const MetaTag field : AllMetaTags) {
        const metatags::TagRead &value = page.values[field];
        out.append(",\"").append(ColumnName(field).toLatin1()).append("\":");
        if (value.outcome == metatags::MetaTagRead::Outcome::Value)
            out.append(JsonString(value.value.text));
        else
            out.append("null");
    }
    for (const MetaTag field : AllMetaTags) {
        out.append(",\"").append(statusColumn(field).toLatin1()).append("\":\"");
        out.append(StatusName(page.values[field].outcome).toLatin1()).append('"');
    }
    return out.append("}\n");
}

} // namespace cli
