#pragma once

#include "FileError.h"
#include "FileStamp.h"
#include "MetaFields.h"
#include "MetaTag.h"
#include "PageEncoding.h"
#include "ReadMetaTag.h"
#include "Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace metatags {

// How the open commands read the three words: the Open button reads each one
// on its own; File > Open reads Title first and, when the page has no "Title",
// reads nothing more.
enum class ReadOrder { EachOnItsOwn, TitleFirst };

// What a page yields for one tag: the outcome of the read and, for a value,
// its decoded text with the bytes it was read from.
struct TagRead
{
    MetaTagRead::Outcome outcome = MetaTagRead::Outcome::NotFound;
    FieldValue value;

    bool found() const { return outcome == MetaTagRead::Outcome::Value; }
};

// Values are decoded by the page's encoding, which SniffPageEncoding gives.
// With TitleFirst and no "Title" in the page, every tag stays NotFound.
PerTag<TagRead> ReadMetaValues(QByteArrayView page, const PageEncoding &encoding, ReadOrder order);

// Writes the meta page for the fields and the page buffer to target, and only
// once the file is safely written cuts the page buffer down to what was
// written after the preamble. On failure the buffer is left as it was. A page
// in UTF-16 is refused before anything is written: the preamble would be in
// another encoding than the page behind it. expected: the target as the
// caller read it (see ReplaceFile). Gives the stamp of the file written, taken
// before the file was put in place, so that no later change by another
// program can pass for this save.
Result<FileStamp> SaveMetaPage(const QString &target, const PerTag<FieldValue> &fields, QByteArray &page,
    const PageEncoding &encoding, const std::optional<FileStamp> &expected = std::nullopt);

} // namespace metatags
