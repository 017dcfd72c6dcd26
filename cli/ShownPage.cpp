#include "ShownPage.h"

#include <array>

namespace cli {

QString StatusName(metatags::MetaTagRead::Outcome outcome)
{
    // In the order of the outcomes: NotFound, Value, Unusable.
    constexpr std::array<QLatin1StringView, 3> names
        = { QLatin1StringView("missing"), QLatin1StringView("found"), QLatin1StringView("unusable") };
    return names[static_cast<std::size_t>(outcome)];
}

ShownPage ShowPage(const QString &path, QByteArrayView page)
{
    return { path,
        metatags::ReadMetaValues(page, metatags::SniffPageEncoding(page), metatags::ReadOrder::EachOnItsOwn) };
}

} // namespace cli
