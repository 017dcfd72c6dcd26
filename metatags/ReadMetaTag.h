#pragma once

#include <QByteArrayView>

namespace metatags {

// Where a meta value stands in a page, as byte offsets, so that the caller can
// keep the value's own bytes instead of a decoded copy.
struct MetaTagRead
{
    enum class Outcome {
        NotFound, // the tag word does not occur in the page
        Value, // a value, possibly empty
        Unusable, // the word occurs, but no '>' follows far enough behind it
    };

    Outcome outcome = Outcome::NotFound;
    qsizetype start = 0;
    qsizetype length = 0;

    bool hasValue() const { return outcome == Outcome::Value; }
    QByteArrayView valueIn(QByteArrayView page) const { return page.sliced(start, length); }
};

// Cuts a meta value out of the page by fixed offsets behind the first occurrence
// of the tag word, assuming the layout <meta name="WORD" content="VALUE">. Not an
// HTML parse: only the lengths between the word, the value and the next '>' count.
MetaTagRead ReadMetaTag(QByteArrayView page, QByteArrayView word);

} // namespace metatags
