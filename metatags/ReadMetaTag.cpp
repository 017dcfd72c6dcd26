#include "ReadMetaTag.h"

#include "ByteSearch.h"

namespace metatags {

namespace {
// The length of `" content="`, which stands between the tag word and its value.
constexpr qsizetype GapBetweenWordAndValue = 11;
} // namespace

MetaTagRead ReadMetaTag(QByteArrayView page, QByteArrayView word)
{
    const qsizetype wordAt = FindBytes(page, word);
    if (wordAt < 0)
        return {};

    const qsizetype valueAt = wordAt + word.size() + GapBetweenWordAndValue;
    const qsizetype endMarkAt = page.indexOf('>', wordAt);
    // The character just before the '>' is the closing quote, not part of the value.
    const qsizetype length = endMarkAt - valueAt - 1;
    // Without a '>' (-1) the length is negative too.
    if (length < 0)
        return { MetaTagRead::Outcome::Unusable };
    return { MetaTagRead::Outcome::Value, valueAt, length };
}

} // namespace metatags
