#pragma once

#include <MetaTag.h>

#include <QString>

#include <optional>

namespace cli {

using metatags::AllMetaTags;
using metatags::MetaTag;

// A value for each tag, or nothing where the user gave none.
using GivenValues = metatags::PerTag<std::optional<QString>>;

// The column name in a sheet: "title", "description", "keywords".
inline QString ColumnName(MetaTag tag)
{
    return QString::fromLatin1(metatags::TagWord(tag)).toLower();
}

} // namespace cli
