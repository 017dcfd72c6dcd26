#include "ShownPage.h"

namespace cli {

QString StatusName(metatags::MetaTagRead::Outcome outcome)
{
    using Outcome = metatags::MetaTagRead::Outcome;
    switch (outcome) {
    case Outcome::Value:
        return QStringLiteral("found");
    case Outcome::NotFound:
        return QStringLiteral("missing");
    case Outcome::Unusable:
        return QStringLiteral("unusable");
    }
    Q_UNREACHABLE();
}

ShownPage ShowPage(const QString &path, QByteArrayView page)
{
    return { path,
        metatags::ReadMetaValues(page, metatags::SniffPageEncoding(page), metatags::ReadOrder::EachOnItsOwn) };
}

} // namespace cli
