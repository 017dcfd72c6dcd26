#include "SheetFormat.h"

#include "SheetCell.h"

#include <QStringList>

namespace cli {

namespace {

QString statusColumn(MetaField field)
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
    for (const MetaField field : AllMetaFields)
        columns.append(ColumnName(field));
    for (const MetaField field : AllMetaFields)
        columns.append(statusColumn(field));
    return columns.join(QLatin1Char('\t')).toUtf8().append('\n');
}

QByteArray SheetLine(const ShownPage &page)
{
    QString line = EscapeCell(page.path);
    for (const ShownValue &value : page.values)
        line.append(QLatin1Char('\t')).append(EscapeCell(value.text));
    for (const ShownValue &value : page.values)
        line.append(QLatin1Char('\t')).append(StatusName(value.status));
    return line.toUtf8().append('\n');
}

QByteArray JsonLine(const ShownPage &page)
{
    QByteArray out("{\"path\":");
    out.append(JsonString(page.path));
    for (const MetaField field : AllMetaFields) {
        const ShownValue &value = page.values[IndexOf(field)];
        out.append(",\"").append(ColumnName(field).toLatin1()).append("\":");
        if (value.status == ValueStatus::Found)
            out.append(JsonString(value.text));
        else
            out.append("null");
    }
    for (const MetaField field : AllMetaFields) {
        out.append(",\"").append(statusColumn(field).toLatin1()).append("\":\"");
        out.append(StatusName(page.values[IndexOf(field)].status).toLatin1()).append('"');
    }
    return out.append("}\n");
}

} // namespace cli
