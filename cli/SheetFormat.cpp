#include "SheetFormat.h"

#include "Message.h"
#include "SheetCell.h"

#include <QStringList>

namespace cli {

namespace {

QString statusColumn(MetaTag field)
{
    return ColumnName(field) + StatusColumnSuffix;
}

} // namespace

QByteArray JsonString(QStringView text)
{
    // JSON's escapes are the messages' own, and \" for the quote.
    return (QLatin1Char('"') + Printable(text).replace(QLatin1Char('"'), QLatin1String("\\\"")) + QLatin1Char('"'))
        .toUtf8();
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
