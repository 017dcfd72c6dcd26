#pragma once

#include "WriteMetaPage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace metatags {

// A meta field as the editor holds it: the text the user sees, and, for as
// long as that text is exactly what was read from the page, the bytes it was
// read from, so that an untouched value is written back byte for byte.
struct FieldValue
{
    QString text;
    std::optional<QByteArray> sourceBytes;

    bool operator==(const FieldValue &) const = default;
};

struct MetaFields
{
    FieldValue title;
    FieldValue description;
    FieldValue keywords;
};

// The bytes of the three values for a file made of the preamble and keptPage.
// Untouched values keep their source bytes; the others are encoded as UTF-8
// when everything else written is valid UTF-8, as windows-1252 otherwise, so
// that opening the written file gives back the same texts.
MetaBytes EncodeForPage(const MetaFields &fields, QByteArrayView keptPage);

} // namespace metatags
