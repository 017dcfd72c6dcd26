#include "TrimPageToTitle.h"

#include "ByteSearch.h"

namespace metatags {

namespace {

// The first occurrence of the first form that occurs at all: the lower-case tag
// wins even where the upper-case one stands earlier.
qsizetype FindFirstForm(QByteArrayView page, QByteArrayView lower, QByteArrayView upper, qsizetype from)
{
    const qsizetype at = FindBytes(page, lower, from);
    return at >= 0 ? at : FindBytes(page, upper, from);
}

} // namespace

std::optional<KeptPart> FindKeptPart(QByteArrayView page)
{
    const qsizetype titleAt = FindFirstForm(page, "<title>", "<TITLE>", 0);
    if (titleAt < 0)
        return std::nullopt;

    constexpr QByteArrayView lowerClosing = "</html>";
    const qsizetype closingAt = FindFirstForm(page, lowerClosing, "</HTML>", titleAt);
    const qsizetype end = closingAt == -1 ? page.size() : closingAt + lowerClosing.size();
    return KeptPart { titleAt, end - titleAt };
}

bool TrimPageToTitle(QByteArray &page)
{
    const std::optional<KeptPart> kept = FindKeptPart(page);
    if (!kept)
        return false;
    // Truncating first and then dropping the front lets QByteArray move its
    // start pointer instead of copying the bytes that are kept.
    page.truncate(kept->start + kept->length);
    page.remove(0, kept->start);
    return true;
}

} // namespace metatags
