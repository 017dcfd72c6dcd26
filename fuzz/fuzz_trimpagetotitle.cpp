// FindKeptPart and TrimPageToTitle on any page against the cut-down rule, and
// the hand-written FindBytes against std::search for every short needle.
#include "ExactCopy.h"
#include "FuzzInput.h"
#include "NaiveFind.h"
#include "Require.h"

#include "ByteSearch.h"
#include "TrimPageToTitle.h"

#include <QByteArray>

namespace {

constexpr QByteArrayView LowerTitle = "<title>";
constexpr QByteArrayView UpperTitle = "<TITLE>";
constexpr QByteArrayView LowerClosing = "</html>";
constexpr QByteArrayView UpperClosing = "</HTML>";

void checkKeptPart(QByteArrayView page)
{
    const std::optional<metatags::KeptPart> kept = metatags::FindKeptPart(page);
    QByteArray trimmed = page.toByteArray();
    const bool found = metatags::TrimPageToTitle(trimmed);
    fuzz::Require(found == kept.has_value(), "TrimPageToTitle reports what FindKeptPart finds");

    const qsizetype lowerAt = fuzz::NaiveFind(page, LowerTitle);
    const qsizetype titleAt = lowerAt >= 0 ? lowerAt : fuzz::NaiveFind(page, UpperTitle);
    if (titleAt < 0) {
        fuzz::Require(!kept, "no title tag, no kept part");
        fuzz::Require(trimmed == page, "no title tag, page unchanged");
        return;
    }
    fuzz::Require(kept.has_value(), "a title tag gives a kept part");
    fuzz::Require(kept->start >= 0 && kept->length >= 0 && kept->start + kept->length <= page.size(),
        "kept part lies within the page");
    const QByteArrayView keptBytes = page.sliced(kept->start, kept->length);
    fuzz::Require(trimmed == keptBytes, "TrimPageToTitle in place gives FindKeptPart's slice");
    QByteArray cut = page.toByteArray();
    metatags::CutToKeptPart(cut, *kept);
    fuzz::Require(cut == keptBytes, "CutToKeptPart gives FindKeptPart's slice");

    fuzz::Require(kept->start == titleAt, "kept part starts at the first title tag of the winning form");
    fuzz::Require(keptBytes.startsWith(lowerAt >= 0 ? LowerTitle : UpperTitle), "kept part starts with its tag");

    const qsizetype lowerClosingAt = fuzz::NaiveFind(page, LowerClosing, titleAt);
    const qsizetype closingAt = lowerClosingAt >= 0 ? lowerClosingAt : fuzz::NaiveFind(page, UpperClosing, titleAt);
    const qsizetype end = closingAt >= 0 ? closingAt + LowerClosing.size() : page.size();
    fuzz::Require(kept->start + kept->length == end, "kept part ends with the closing tag, or at the page end");
    if (end < page.size())
        fuzz::Require(keptBytes.endsWith(LowerClosing) || keptBytes.endsWith(UpperClosing),
            "a kept part short of the page end ends with a closing tag");

    fuzz::Require(metatags::FindKeptPart(keptBytes) == metatags::KeptPart { 0, keptBytes.size() },
        "a kept part is its own kept part, so a second save keeps it whole");
}

void checkSearch(QByteArrayView haystack, QByteArrayView needle, qsizetype from)
{
    const fuzz::ExactCopy exactNeedle(needle);
    fuzz::Require(metatags::FindBytes(haystack, exactNeedle.view(), from) == fuzz::NaiveFind(haystack, needle, from),
        "FindBytes agrees with std::search");
}

// Needles taken from the page itself are found, ones from the input rarely are;
// both kinds and every start position must agree with the plain search.
void checkFindBytes(QByteArrayView page, QByteArrayView foreign, qsizetype from, std::uint16_t seed)
{
    for (qsizetype length = 0; length <= 16; ++length) {
        const qsizetype size = page.size();
        const qsizetype fromAfter = length <= size ? size - length : 0;
        const qsizetype inside = size > length ? static_cast<qsizetype>(seed) % (size - length + 1) : 0;
        const QByteArrayView needles[] = {
            page.sliced(std::min(inside, size), std::min(length, size - std::min(inside, size))),
            page.last(std::min(length, size)),
            foreign.first(std::min(length, foreign.size())),
        };
        for (const QByteArrayView needle : needles) {
            checkSearch(page, needle, from);
            checkSearch(page, needle, 0);
            checkSearch(page, needle, fromAfter);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    // Signed, so that negative start positions and ones behind the page come up.
    const auto from = static_cast<qsizetype>(static_cast<std::int16_t>(input.takeUint16()));
    const std::uint16_t seed = input.takeUint16();
    const QByteArrayView foreign = input.take(input.takeByte() % 17);
    const fuzz::ExactCopy page(input.rest());

    checkKeptPart(page.view());
    checkFindBytes(page.view(), foreign, from, seed);
    return 0;
}
