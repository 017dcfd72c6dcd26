#include "PageEdit.h"

#include "SheetFormat.h"
#include "ShownPage.h"

#include <LoadPage.h>

#include <QCoreApplication>

namespace cli {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("PageEdit", text);
}

// The editor's fields hold every kind of line end as one line break, which
// the page encoding then writes as CR LF.
QString asTyped(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString shownValue(const ShownValue &value)
{
    if (value.status != ValueStatus::Found)
        return QLatin1Char('(') + StatusName(value.status) + QLatin1Char(')');
    return QString::fromUtf8(JsonString(value.text));
}

} // namespace

metatags::MetaFields FieldsAfterTyping(const metatags::PageValues &read, const GivenValues &given)
{
    metatags::MetaFields fields;
    for (const MetaField field : AllMetaFields) {
        const std::optional<metatags::FieldValue> &fromPage = read.*ValueIn(field);
        const std::optional<QString> &typed = given[IndexOf(field)];
        if (typed && !(fromPage && fromPage->text == *typed))
            fields.*FieldIn(field) = { asTyped(*typed), std::nullopt };
        else if (fromPage)
            fields.*FieldIn(field) = *fromPage;
    }
    return fields;
}

std::optional<metatags::FileError> ApplyEdit(const PageEdit &edit)
{
    metatags::Result<metatags::StampedPage> loaded = metatags::LoadStampedPage(edit.source);
    if (!loaded.ok())
        return loaded.error();
    metatags::StampedPage page = std::move(loaded).value();
    const metatags::PageEncoding encoding = metatags::SniffPageEncoding(page.bytes);
    const metatags::PageValues read = metatags::ReadMetaValues(page.bytes, encoding, metatags::ReadOrder::EachOnItsOwn);
    // A page rewritten in place must still be the page that was read, or
    // another program's change since would be lost.
    const std::optional<metatags::FileStamp> expected
        = edit.target == edit.source ? std::optional(page.stamp) : std::nullopt;
    return metatags::SaveMetaPage(edit.target, FieldsAfterTyping(read, edit.values), page.bytes, encoding, expected);
}

metatags::Result<QStringList> DescribeEdit(const PageEdit &edit)
{
    const metatags::Result<QByteArray> loaded = metatags::LoadPage(edit.source);
    if (!loaded.ok())
        return loaded.error();
    const QByteArray &page = loaded.value();
    const metatags::PageEncoding encoding = metatags::SniffPageEncoding(page);
    const metatags::MetaFields fields
        = FieldsAfterTyping(metatags::ReadMetaValues(page, encoding, metatags::ReadOrder::EachOnItsOwn), edit.values);
    const bool changes = metatags::MetaPageBytes(fields, page, encoding) != page;

    const QString where = edit.target == edit.source ? edit.source : edit.source + QStringLiteral(" -> ") + edit.target;
    QStringList lines { where + QStringLiteral(": ") + (changes ? tr("would change") : tr("no change")) };
    const ShownPage before = ShowPage(edit.source, page);
    for (const MetaField field : AllMetaFields) {
        // Only a typed value differs from the page; an untouched one keeps its bytes.
        const metatags::FieldValue &after = fields.*FieldIn(field);
        if (after.sourceBytes)
            continue;
        lines.append(QStringLiteral("  %1: %2 -> %3")
                         .arg(ColumnName(field), shownValue(before.values[IndexOf(field)]),
                             QString::fromUtf8(JsonString(after.text))));
    }
    return lines;
}

} // namespace cli
