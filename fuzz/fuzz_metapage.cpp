// The open-edit-save path into a buffer, on any page: the byte search against
// std::search, the cut, the file written, and that file opened and saved again.
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

QByteArray write(const PerTag<QByteArray> &values, QByteArrayView kept)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    Require(WriteMetaPage(buffer, values, kept), "writes");
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

    // The cut keeps the page from a title tag on, or all of it.
    QByteArray kept = page.toByteArray();
    const bool cut = TrimPageToTitle(kept);
    Require(cut == (find(page, "<title>") >= 0 || find(page, "<TITLE>") >= 0)
            && (kept.isEmpty() || find(page, kept) >= 0)
            && (cut ? kept.startsWith("<title>") || kept.startsWith("<TITLE>") : kept == page),
        "the cut keeps a part from a title tag");

    PerTag<FieldValue> fields;
    const PageEncoding encoding = SniffPageEncoding(page);
    const PerTag<TagRead> read
        = ReadMetaValues(page, encoding, (flags & 1) ? ReadOrder::TitleFirst : ReadOrder::EachOnItsOwn);
    for (const MetaTag tag : AllMetaTags)
        fields[tag] = (flags & (2 << int(tag))) ? FieldValue { typed, std::nullopt } : read[tag].value;
    const PerTag<QByteArray> values = EncodeForPage(fields, encoding);
    const QByteArray file = write(values, kept);
    Require(file == MetaPreamble(values) + kept + "\r\n", "preamble, kept part, CR LF");

    // The file written opens to its values, unless a '>' or a later tag word
    // inside a value ends it early; and saved untouched it gives itself again.
    const PerTag<TagRead> back = ReadMetaValues(file, SniffPageEncoding(file), ReadOrder::TitleFirst);
    bool allBack = true;
    QByteArray before;
    for (const MetaTag tag : AllMetaTags) {
        const bool whole = !values[tag].contains('>') && !before.contains(TagWord(tag));
        before += values[tag];
        Require(!whole || back[tag].value.sourceBytes == values[tag], "a value written reads back as its bytes");
        allBack = allBack && whole && !values[tag].contains("<title>") && !values[tag].contains("<TITLE>");
        fields[tag] = back[tag].value;
    }
    if (allBack && cut && (kept.endsWith("</html>") || kept.endsWith("</HTML>")))
        Require(write(EncodeForPage(fields, SniffPageEncoding(file)), kept) == file,
            "a page written here saves to the same bytes");
    return 0;
}
