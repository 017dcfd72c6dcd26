// The open-edit-save path into a buffer, on any page: the reading, the cut and
// the search against their rules written out plainly, the file written, and
// that file opened and saved again.
#include "ByteSearch.h"
#include "MetaPageJobs.h"
#include "TrimPageToTitle.h"
#include "WriteMetaPage.h"

#include <QBuffer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace metatags;

namespace {

// A broken invariant ends the run at once, so that libFuzzer keeps the input
// as a crash and the message says which rule it broke.
void Require(bool holds, const char *rule)
{
    if (holds)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", rule);
    std::abort();
}

qsizetype find(QByteArrayView page, QByteArrayView needle, qsizetype from = 0)
{
    const auto hit = std::search(page.begin() + from, page.end(), needle.begin(), needle.end());
    return hit == page.end() ? -1 : hit - page.begin();
}

// The value of " content=" after the first occurrence of the word, up to the
// byte before the first '>' behind the word; nothing when it does not fit.
std::optional<QByteArrayView> valueByRule(QByteArrayView page, QByteArrayView word)
{
    const qsizetype wordAt = find(page, word);
    const qsizetype end = wordAt < 0 ? -1 : find(page, ">", wordAt);
    const qsizetype start = wordAt + word.size() + 11;
    if (end - 1 < start)
        return std::nullopt;
    return page.sliced(start, end - 1 - start);
}

QByteArrayView keptByRule(QByteArrayView page)
{
    const qsizetype lower = find(page, "<title>");
    const qsizetype start = lower >= 0 ? lower : find(page, "<TITLE>");
    if (start < 0)
        return page;
    const qsizetype lowerEnd = find(page, "</html>", start);
    const qsizetype end = lowerEnd >= 0 ? lowerEnd : find(page, "</HTML>", start);
    return page.sliced(start, end < 0 ? page.size() - start : end + 7 - start);
}

PerTag<TagRead> checkedRead(QByteArrayView page, ReadOrder order)
{
    const PageEncoding encoding = SniffPageEncoding(page);
    const PerTag<TagRead> values = ReadMetaValues(page, encoding, order);
    const bool noTitle = find(page, "Title") < 0;
    values.forEach([&](MetaTag tag, const TagRead &read) {
        const std::optional<QByteArrayView> rule = valueByRule(page, TagWord(tag));
        if (order == ReadOrder::TitleFirst && noTitle) {
            Require(read.outcome == MetaTagRead::Outcome::NotFound, "without Title, File > Open reads nothing");
        } else if (read.found()) {
            Require(rule && read.value.sourceBytes == *rule, "a value is read at the rule's offsets");
            Require(read.value.text == DecodeValue(*rule, encoding), "a value's text is its bytes decoded");
        } else {
            Require(!rule && (read.outcome == MetaTagRead::Outcome::NotFound) == (find(page, TagWord(tag)) < 0),
                "no value where the rule finds none; unusable where the word occurs");
        }
    });
    return values;
}

QByteArray write(const PerTag<FieldValue> &fields, QByteArrayView page)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    Require(WriteMetaPage(buffer, EncodeForPage(fields, SniffPageEncoding(page)), keptByRule(page)), "writes");
    return buffer.data();
}

} // namespace

// Input: a byte of flags, a byte n, n UTF-16 code units typed into the fields
// the flags name, and the page.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto length = static_cast<qsizetype>(size);
    const QByteArrayView input(data, length);
    const int flags = length > 0 ? data[0] : 0;
    const qsizetype typedBytes = std::min<qsizetype>(length > 1 ? 2 * data[1] : 0, std::max<qsizetype>(length - 2, 0));
    // Any UTF-16 code units, lone surrogates included; an odd last byte is left out.
    const QByteArrayView units = input.sliced(std::min<qsizetype>(length, 2), typedBytes);
    const QString typed(reinterpret_cast<const QChar *>(units.data()), units.size() / 2);
    const QByteArrayView page = input.sliced(std::min<qsizetype>(length, 2 + typedBytes));

    // A needle taken from the page, searched from another place.
    const qsizetype at = length > 1 ? data[1] % (page.size() + 1) : 0;
    const QByteArrayView needle = page.sliced(at).first(std::min<qsizetype>(page.size() - at, 1 + flags % 16));
    const qsizetype from = flags % (page.size() + 1);
    Require(needle.isEmpty() || FindBytes(page, needle, from) == find(page, needle, from), "FindBytes as std::search");

    const std::optional<KeptPart> kept = FindKeptPart(page);
    Require(kept.has_value() == (find(page, "<title>") >= 0 || find(page, "<TITLE>") >= 0), "a title tag is kept");
    QByteArray buffer = page.toByteArray();
    Require(TrimPageToTitle(buffer) == kept.has_value() && buffer == keptByRule(page), "the cut keeps the rule's part");

    PerTag<FieldValue> fields;
    const PerTag<TagRead> read = checkedRead(page, (flags & 1) ? ReadOrder::TitleFirst : ReadOrder::EachOnItsOwn);
    for (const MetaTag tag : AllMetaTags)
        fields[tag] = (flags & (2 << int(tag))) ? FieldValue { typed, std::nullopt } : read[tag].value;
    const QByteArray file = write(fields, page);
    const PerTag<QByteArray> values = EncodeForPage(fields, SniffPageEncoding(page));
    Require(file == MetaPreamble(values) + keptByRule(page).toByteArray() + "\r\n", "preamble, kept part, CR LF");

    // The file written opens to its values, unless a '>' or a later tag word
    // inside a value ends it early; and saved untouched it gives itself again.
    const PerTag<TagRead> back = checkedRead(file, ReadOrder::TitleFirst);
    bool allBack = true;
    QByteArray before;
    for (const MetaTag tag : AllMetaTags) {
        const bool whole = !values[tag].contains('>') && !before.contains(TagWord(tag));
        before += values[tag];
        Require(!whole || back[tag].value.sourceBytes == values[tag], "a value written reads back as its bytes");
        allBack = allBack && whole && !values[tag].contains("<title>") && !values[tag].contains("<TITLE>");
        fields[tag] = back[tag].value;
    }
    const QByteArrayView keptPart = keptByRule(page);
    if (allBack && kept && (keptPart.endsWith("</html>") || keptPart.endsWith("</HTML>")))
        Require(write(fields, file) == file, "a page written here saves to the same bytes");
    return 0;
}
