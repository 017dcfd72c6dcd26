#include "MetaPageJobs.h"

#include "FileReplacement.h"
#include "PageEncoding.h"
#include "ReadMetaTag.h"
#include "TrimPageToTitle.h"
#include "WriteMetaPage.h"

#include <QCoreApplication>

#include <new>

namespace metatags {

namespace {

TagRead readTag(QByteArrayView page, const PageEncoding &encoding, const MetaTagRead &read)
{
    if (!read.hasValue())
        return { read.outcome, {} };
    const QByteArrayView bytes = read.valueIn(page);
    return { read.outcome, { DecodeValue(bytes, encoding), bytes.toByteArray() } };
}

} // namespace

PerTag<TagRead> ReadMetaValues(QByteArrayView page, const PageEncoding &encoding, ReadOrder order)
{
    PerTag<TagRead> values;
    const MetaTagRead title = ReadMetaTag(page, TagWord(MetaTag::Title));
    // Only a page where the word is absent stops the reading; an unusable
    // Title still lets the other two be read.
    if (order == ReadOrder::TitleFirst && title.outcome == MetaTagRead::Outcome::NotFound)
        return values;
    values[MetaTag::Title] = readTag(page, encoding, title);
    for (const MetaTag tag : { MetaTag::Description, MetaTag::KeyWords })
        values[tag] = readTag(page, encoding, ReadMetaTag(page, TagWord(tag)));
    return values;
}

Result<FileStamp> SaveMetaPage(const QString &target, const PerTag<FieldValue> &fields, QByteArray &page,
    const PageEncoding &encoding, const std::optional<FileStamp> &expected)
{
    if (encoding.kind == PageEncoding::Kind::Utf16) {
        return FileError { target,
            QCoreApplication::translate("MetaPageJobs",
                "The page is in UTF-16 (it starts with a UTF-16 byte-order mark), but the meta lines written ahead "
                "of it are not: the saved page would mix two encodings.") };
    }
    try {
        // The part of the page buffer that goes behind the preamble.
        const std::optional<KeptPart> found = FindKeptPart(page);
        const QByteArrayView kept = found ? QByteArrayView(page).sliced(found->start, found->length) : page;
        const PerTag<QByteArray> values = EncodeForPage(fields, encoding);
        Result<FileStamp> written = ReplaceFile(
            target, [&](QIODevice &device) { return WriteMetaPage(device, values, kept); }, expected);
        // The buffer now holds what a later save writes behind the preamble.
        if (written)
            TrimPageToTitle(page);
        return written;
    } catch (const std::bad_alloc &) {
        // The temporary file, if any, is gone with the unwinding.
        return FileError { target,
            QCoreApplication::translate("MetaPageJobs", "There is not enough memory to save the page.") };
    }
}

} // namespace metatags
