// The whole open-edit-save path into a buffer: read the three values in both
// orders, type over some of them, cut the page down, encode and write; then
// open what was written and save it again.
#include "ExactCopy.h"
#include "FuzzInput.h"
#include "Require.h"

#include "MetaFields.h"
#include "MetaPageJobs.h"
#include "PageEncoding.h"
#include "ReadMetaTag.h"
#include "TrimPageToTitle.h"
#include "WriteMetaPage.h"

#include <QBuffer>

#include <algorithm>
#include <array>

namespace {

using metatags::FieldValue;
using metatags::MetaTag;
using metatags::PageEncoding;
using metatags::PerTag;
using metatags::ReadOrder;
using metatags::TagRead;

constexpr QByteArrayView LineEnd = "\r\n";

QByteArray expectedPreamble(const PerTag<QByteArray> &values)
{
    return QByteArrayLiteral("<html>\r\n<head>\r\n<meta name=\"Author\" content=\"Corvantis\">\r\n"
                             "<meta name=\"GENERATOR\" content=\"Tagwright 2.0\">\r\n<meta name=\"Title\" content=\"")
        + values[MetaTag::Title] + QByteArrayLiteral("\">\r\n<meta name=\"Description\" content=\"")
        + values[MetaTag::Description] + QByteArrayLiteral("\">\r\n<meta name=\"KeyWords\" content=\"")
        + values[MetaTag::KeyWords] + QByteArrayLiteral("\">\r\n");
}

void apply(PerTag<FieldValue> &fields, const PerTag<TagRead> &values)
{
    // A field whose value the page does not yield keeps what it holds.
    values.forEach([&fields](MetaTag tag, const TagRead &read) {
        if (read.found())
            fields[tag] = read.value;
    });
}

bool sameRead(const TagRead &a, const TagRead &b)
{
    return a.outcome == b.outcome && a.value == b.value;
}

void checkValueInPage(QByteArrayView page, const PageEncoding &encoding, const TagRead &value, QByteArrayView word)
{
    const metatags::MetaTagRead read = metatags::ReadMetaTag(page, word);
    fuzz::Require(value.outcome == read.outcome, "each tag keeps the outcome ReadMetaTag finds");
    if (!value.found())
        return;
    fuzz::Require(
        read.start >= 0 && read.length >= 0 && read.start + read.length <= page.size(), "a value lies within the page");
    fuzz::Require(value.value.sourceBytes == page.sliced(read.start, read.length).toByteArray(),
        "a value keeps the page bytes it was read from");
    fuzz::Require(value.value.text == metatags::DecodeValue(*value.value.sourceBytes, encoding),
        "a value's text is its bytes decoded");
}

PerTag<TagRead> readChecked(QByteArrayView page, const PageEncoding &encoding, ReadOrder order)
{
    const PerTag<TagRead> values = metatags::ReadMetaValues(page, encoding, order);
    const PerTag<TagRead> other = metatags::ReadMetaValues(
        page, encoding, order == ReadOrder::TitleFirst ? ReadOrder::EachOnItsOwn : ReadOrder::TitleFirst);
    const PerTag<TagRead> &eachOnItsOwn = order == ReadOrder::EachOnItsOwn ? values : other;
    const PerTag<TagRead> &titleFirst = order == ReadOrder::TitleFirst ? values : other;
    eachOnItsOwn.forEach(
        [&](MetaTag tag, const TagRead &read) { checkValueInPage(page, encoding, read, metatags::TagWord(tag)); });

    const bool titleFound = metatags::ReadMetaTag(page, "Title").outcome != metatags::MetaTagRead::Outcome::NotFound;
    titleFirst.forEach([&](MetaTag tag, const TagRead &read) {
        if (!titleFound) {
            fuzz::Require(read.outcome == metatags::MetaTagRead::Outcome::NotFound,
                "without the word Title the menu's order reads nothing");
        } else {
            fuzz::Require(sameRead(read, eachOnItsOwn[tag]), "with the word Title both orders read the same values");
        }
    });
    return values;
}

// What the user types over a field: text made from the input, with no bytes
// of its own.
void typeOver(fuzz::FuzzInput &input, std::uint8_t flags, std::uint8_t bit, FieldValue &field)
{
    if ((flags & bit) != 0)
        field = { input.takeUtf16(input.takeByte()), std::nullopt };
}

QByteArray write(const PerTag<QByteArray> &values, QByteArrayView page)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    fuzz::Require(metatags::WriteMetaPage(buffer, values, page), "a buffer takes every write");
    return buffer.data();
}

// A typed value is written in the encoding the page was opened with, and
// reads back as that text (less what the encoding cannot hold) when the
// written file is found to be in the same encoding.
void checkReadBack(const FieldValue &field, const QByteArray &written, const TagRead &readBack,
    const PageEncoding &opened, const PageEncoding &reopened)
{
    fuzz::Require(readBack.found() && readBack.value.sourceBytes == written, "a written value reads back as its bytes");
    if (field.sourceBytes)
        return;
    fuzz::Require(written == metatags::EncodeValue(field.text, opened), "a typed value is in the page's encoding");
    if (reopened == opened) {
        fuzz::Require(readBack.value.text == metatags::DecodeValue(metatags::EncodeValue(field.text, opened), opened),
            "a typed value reads back as its text");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    const std::uint8_t flags = input.takeByte();
    const ReadOrder order = (flags & 1) != 0 ? ReadOrder::TitleFirst : ReadOrder::EachOnItsOwn;

    // Fields start empty, then take what the page yields and what is typed.
    PerTag<FieldValue> fields;
    fuzz::FuzzInput typing(input.take(input.takeUint16() % 2048));
    const fuzz::ExactCopy page(input.rest());
    const PageEncoding encoding = metatags::SniffPageEncoding(page.view());
    apply(fields, readChecked(page.view(), encoding, order));
    typeOver(typing, flags, 2, fields[MetaTag::Title]);
    typeOver(typing, flags, 4, fields[MetaTag::Description]);
    typeOver(typing, flags, 8, fields[MetaTag::KeyWords]);

    const std::optional<metatags::KeptPart> kept = metatags::FindKeptPart(page.view());
    const QByteArrayView keptPage = kept ? page.view().sliced(kept->start, kept->length) : page.view();
    const PerTag<QByteArray> values = metatags::EncodeForPage(fields, encoding);
    fields.forEach([&values](MetaTag tag, const FieldValue &field) {
        fuzz::Require(!field.sourceBytes || *field.sourceBytes == values[tag], "an untouched value keeps its bytes");
    });

    const QByteArray written = write(values, keptPage);
    fuzz::Require(written == expectedPreamble(values) + keptPage.toByteArray() + LineEnd.toByteArray(),
        "the seven preamble lines, the kept part and CR LF");
    fuzz::Require(
        written == metatags::MetaPageBytes(fields, page.view(), encoding), "MetaPageBytes gives what is written");

    // Saving again with the buffer cut down writes the same file.
    QByteArray pageBuffer = page.view().toByteArray();
    if (kept)
        metatags::CutToKeptPart(pageBuffer, *kept);
    fuzz::Require(
        metatags::MetaPageBytes(fields, pageBuffer, encoding) == written, "a second save writes the same bytes");

    // Opening what was written: the preamble holds the first "Title", so both
    // orders read all three words. Each value comes back unless a '>' in it
    // ends it early, or an earlier value holds a later tag word, which is then
    // found first.
    const PageEncoding reopened = metatags::SniffPageEncoding(written);
    const PerTag<TagRead> readBack = readChecked(written, reopened, order);
    const QByteArray &title = values[MetaTag::Title];
    const QByteArray &description = values[MetaTag::Description];
    const QByteArray &keywords = values[MetaTag::KeyWords];
    const bool titleBack = !title.contains('>');
    const bool descriptionBack = !title.contains("Description") && !description.contains('>');
    const bool keywordsBack
        = !title.contains("KeyWords") && !description.contains("KeyWords") && !keywords.contains('>');
    const PerTag<bool> back { titleBack, descriptionBack, keywordsBack };
    fields.forEach([&](MetaTag tag, const FieldValue &field) {
        if (back[tag])
            checkReadBack(field, values[tag], readBack[tag], encoding, reopened);
    });

    // Saving what was opened: with every value back and the kept part found
    // again behind the preamble, the same bytes. A title tag inside a value
    // would be found first; the lower-case form wins over an upper-case kept part.
    const QByteArrayView keptForm = kept && keptPage.startsWith("<title>") ? "<title>" : "<TITLE>";
    const bool valueHoldsTitleTag = std::any_of(values.values.begin(), values.values.end(),
        [keptForm](const QByteArray &bytes) { return bytes.contains("<title>") || bytes.contains(keptForm); });
    if (!titleBack || !descriptionBack || !keywordsBack || valueHoldsTitleTag)
        return 0;
    PerTag<FieldValue> reopenedFields = fields;
    apply(reopenedFields, readBack);
    const QByteArray savedAgain = metatags::MetaPageBytes(reopenedFields, written, reopened);
    if (!kept) {
        // No title tag: the written file is kept whole behind a new preamble.
        fuzz::Require(savedAgain == expectedPreamble(values) + written + LineEnd.toByteArray(),
            "a page without a title tag is written whole again");
    } else if (!keptPage.endsWith("</html>") && !keptPage.endsWith("</HTML>")) {
        // No closing tag: the kept part runs to the end and takes the final CR LF along.
        fuzz::Require(savedAgain == written + LineEnd.toByteArray(), "a page without a closing tag gains one CR LF");
    } else {
        fuzz::Require(savedAgain == written, "saving a page written by us gives the same bytes");
    }
    return 0;
}
