#include "OpenThenSave.h"

#include "LoadPage.h"
#include "MetaPageJobs.h"

namespace bench {

std::optional<metatags::FileError> OpenThenSave(const QString &page, const QString &target, TypedText typed)
{
    metatags::Result<metatags::StampedPage> loaded = metatags::LoadPage(page);
    if (!loaded.has_value())
        return loaded.error();
    QByteArray bytes = std::move(loaded->bytes);

    const metatags::PageEncoding encoding = metatags::SniffPageEncoding(bytes);
    using metatags::MetaTag;
    metatags::PerTag<metatags::FieldValue> fields;
    fields[MetaTag::Title]
        = metatags::ReadMetaValues(bytes, encoding, metatags::ReadOrder::EachOnItsOwn)[MetaTag::Title].value;
    fields[MetaTag::Description]
        = { typed == TypedText::Ascii ? QStringLiteral("Daily tables of data") : QStringLiteral("Tägliche Tabellen"),
              std::nullopt };
    fields[MetaTag::KeyWords] = { QStringLiteral("data, tables"), std::nullopt };
    if (const metatags::Result<metatags::FileStamp> saved = metatags::SaveMetaPage(target, fields, bytes, encoding);
        !saved)
        return saved.error();
    return std::nullopt;
}

} // namespace bench
