#include "MetaPageJobs.h"

#include "PageEncoding.h"
#include "ReadMetaTag.h"
#include "TrimPageToTitle.h"
#include "WriteMetaPage.h"

namespace metatags {

namespace {

std::optional<FieldValue> readValue(QByteArrayView page, PageText &text, QByteArrayView word)
{
    const MetaTagRead read = ReadMetaTag(page, word);
    if (!read.hasValue())
        return std::nullopt;
    const QByteArrayView bytes = read.valueIn(page);
    return FieldValue { text.decode(bytes), bytes.toByteArray() };
}

} // namespace

PageValues ReadMetaValues(QByteArrayView page, ReadOrder order)
{
    PageText text(page);
    PageValues values;
    if (order == ReadOrder::TitleFirst) {
        // Only a page where the word is absent stops the reading; an unusable
        // Title still lets the other two be read.
        if (ReadMetaTag(page, "Title").outcome == MetaTagRead::Outcome::NotFound)
            return values;
        values.title = readValue(page, text, "Title");
        values.description = readValue(page, text, "Description");
        values.keywords = readValue(page, text, "KeyWords");
        return values;
    }
    values.description = readValue(page, text, "Description");
    values.keywords = readValue(page, text, "KeyWords");
    values.title = readValue(page, text, "Title");
    return values;
}

std::optional<FileError> SaveMetaPage(const QString &target, const MetaFields &fields, QByteArray &page)
{
    const std::optional<KeptPart> kept = FindKeptPart(page);
    const QByteArrayView written = kept ? QByteArrayView(page).sliced(kept->start, kept->length) : page;
    if (std::optional<FileError> error = WriteMetaPage(target, EncodeForPage(fields, written), written))
        return error;
    if (kept)
        CutToKeptPart(page, *kept);
    return std::nullopt;
}

} // namespace metatags
