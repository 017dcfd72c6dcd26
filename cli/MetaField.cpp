#include "MetaField.h"

namespace cli {

QString ColumnName(MetaField field)
{
    switch (field) {
    case MetaField::Title:
        return QStringLiteral("title");
    case MetaField::Description:
        return QStringLiteral("description");
    case MetaField::Keywords:
        return QStringLiteral("keywords");
    }
    Q_UNREACHABLE();
}

QByteArrayView TagWord(MetaField field)
{
    switch (field) {
    case MetaField::Title:
        return "Title";
    case MetaField::Description:
        return "Description";
    case MetaField::Keywords:
        return "KeyWords";
    }
    Q_UNREACHABLE();
}

metatags::FieldValue metatags::MetaFields::*FieldIn(MetaField field)
{
    switch (field) {
    case MetaField::Title:
        return &metatags::MetaFields::title;
    case MetaField::Description:
        return &metatags::MetaFields::description;
    case MetaField::Keywords:
        return &metatags::MetaFields::keywords;
    }
    Q_UNREACHABLE();
}

std::optional<metatags::FieldValue> metatags::PageValues::*ValueIn(MetaField field)
{
    switch (field) {
    case MetaField::Title:
        return &metatags::PageValues::title;
    case MetaField::Description:
        return &metatags::PageValues::description;
    case MetaField::Keywords:
        return &metatags::PageValues::keywords;
    }
    Q_UNREACHABLE();
}

} // namespace cli
