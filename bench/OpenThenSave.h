#pragma once

#include <LoadPage.h>
#include <MetaPageJobs.h>

namespace bench {

// What the editor does for Open and then Save As, through the page operations
// alone: the page loaded, its values read, and saved with a description typed
// beyond ASCII.
inline bool OpenThenSave(const QString &page, const QString &target)
{
    metatags::Result<metatags::StampedPage> loaded = metatags::LoadPage(page);
    if (!loaded)
        return false;
    QByteArray bytes = std::move(loaded->bytes);
    const metatags::PageEncoding encoding = metatags::SniffPageEncoding(bytes);
    const auto read = metatags::ReadMetaValues(bytes, encoding, metatags::ReadOrder::EachOnItsOwn);
    using metatags::MetaTag;
    metatags::PerTag<metatags::FieldValue> fields;
    fields[MetaTag::Title] = read[MetaTag::Title].value;
    fields[MetaTag::Description] = { QStringLiteral("Tägliche Tabellen"), std::nullopt };
    fields[MetaTag::KeyWords] = read[MetaTag::KeyWords].value;
    return metatags::SaveMetaPage(target, fields, bytes, encoding).has_value();
}

} // namespace bench
