#pragma once

#include <MetaFields.h>
#include <MetaPageJobs.h>

#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

namespace cli {

// The three values, in the order of the sheet's columns.
enum class MetaField { Title, Description, Keywords };

inline constexpr std::array<MetaField, 3> AllMetaFields
    = { MetaField::Title, MetaField::Description, MetaField::Keywords };

// A value for each field, or nothing where the user gave none.
using GivenValues = std::array<std::optional<QString>, 3>;

inline std::size_t IndexOf(MetaField field)
{
    return static_cast<std::size_t>(field);
}

// The column name in a sheet: "title", "description", "keywords".
QString ColumnName(MetaField field);

// The word that names the tag in a page: "Title", "Description", "KeyWords".
QByteArrayView TagWord(MetaField field);

// The member of MetaFields and of PageValues that holds the field:
// fields.*FieldIn(MetaField::Title) is fields.title.
metatags::FieldValue metatags::MetaFields::*FieldIn(MetaField field);
std::optional<metatags::FieldValue> metatags::PageValues::*ValueIn(MetaField field);

} // namespace cli
