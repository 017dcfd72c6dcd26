#include "OpenThenSave.h"

#include "LoadPage.h"
#include "MetaPageJobs.h"

namespace bench {

std::optional<metatags::FileError> OpenThenSave(const QString &page, const QString &target, TypedText typed)
{
    metatags::Result<QByteArray> loaded = metatags::LoadPage(page);
    if (!loaded.ok())
        return loaded.error();
    QByteArray bytes = std::move(loaded).value();

    const metatags::PageEncoding encoding = metatags::SniffPageEncoding(bytes);
    const metatags::PageValues values = metatags::ReadMetaValues(bytes, encoding, metatags::ReadOrder::EachOnItsOwn);
    metatags::MetaFields fields;
    fields.title = values.title.value_or(metatags::FieldValue {});
    fields.description
        = { typed == TypedText::Ascii ? QStringLiteral("Daily tables of data") : QStringLiteral("Tägliche Tabellen"),
              std::nullopt };
    fields.keywords = { QStringLiteral("data, tables"), std::nullopt };
    return metatags::SaveMetaPage(target, fields, bytes, encoding);
}

} // namespace bench
