#include "ShownPage.h"

#include <ReadMetaTag.h>

namespace cli {

QString StatusName(ValueStatus status)
{
    switch (status) {
    case ValueStatus::Found:
        return QStringLiteral("found");
    case ValueStatus::Missing:
        return QStringLiteral("missing");
    case ValueStatus::Unusable:
        return QStringLiteral("unusable");
    }
    Q_UNREACHABLE();
}

ShownPage ShowPage(const QString &path, QByteArrayView page)
{
    const metatags::PageValues read
        = metatags::ReadMetaValues(page, metatags::SniffPageEncoding(page), metatags::ReadOrder::EachOnItsOwn);
    ShownPage shown { path, {} };
    for (const MetaField field : AllMetaFields) {
        ShownValue &value = shown.values[IndexOf(field)];
        if (const std::optional<metatags::FieldValue> &found = read.*ValueIn(field)) {
            value = { ValueStatus::Found, found->text };
            continue;
        }
        // Only a value that is not there needs the second look that says why.
        const bool wordFound
            = metatags::ReadMetaTag(page, TagWord(field)).outcome != metatags::MetaTagRead::Outcome::NotFound;
        value.status = wordFound ? ValueStatus::Unusable : ValueStatus::Missing;
    }
    return shown;
}

} // namespace cli
