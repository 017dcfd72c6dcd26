#pragma once

#include "MetaTag.h"
#include "PageEncoding.h"

#include <QByteArray>
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

// The bytes of the three values for the preamble: untouched values keep their
// source bytes, the others are encoded in the encoding found when the page was
// opened, whatever part of the page is written behind them.
PerTag<QByteArray> EncodeForPage(const PerTag<FieldValue> &fields, const PageEncoding &encoding);

} // namespace metatags
