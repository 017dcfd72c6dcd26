#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace metatags {

// The part of a page that is written after the meta preamble: from its title
// tag through its closing html tag, as byte offsets.
struct KeptPart
{
    qsizetype start = 0;
    qsizetype length = 0;

    bool operator==(const KeptPart &) const = default;
};

// The kept part of the page, or nothing when the page has no "<title>" or
// "<TITLE>" tag (the page is then written whole). The closing tag is searched
// from the title tag onward; without one the kept part runs to the end of the
// page, so that no byte behind the title tag is ever dropped.
std::optional<KeptPart> FindKeptPart(QByteArrayView page);

// Cuts the page down to its kept part, in place. Returns whether a title tag was
// found; without one the page is left untouched.
bool TrimPageToTitle(QByteArray &page);

} // namespace metatags
