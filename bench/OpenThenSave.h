#pragma once

#include <LoadPage.h>
#include <MetaPageJobs.h>

namespace bench {

// What the editor does for Open and then Save As, through the page operations
// alone: the page loaded, its values read, and saved with a description typed
// beyond ASCII.
inline bool OpenThenSave(const QString &page, const QString &target)
{
    metatags::Result<QByteArray> loaded = metatags::LoadPage(page);
    if (!loaded.ok())
        return false;
    QByteArray bytes = std::move(loaded).value();
    const metatags::PageEncoding encoding = metatags::SniffPageEncoding(bytes);
    const metatags::PageValues values = metatags::ReadMetaValues(bytes, encoding, metatags::ReadOrder::EachOnItsOwn);
    const metatags::MetaFields fields { values.title.value_or(metatags::FieldValue {}),
        { QStringLiteral("Tägliche Tabellen"), std::nullopt }, values.keywords.value_or(metatags::FieldValue {}) };
    return !metatags::SaveMetaPage(target, fields, bytes, encoding);
}

} // namespace bench
