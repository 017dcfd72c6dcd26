#pragma once

#include <QByteArrayView>
#include <QVarLengthArray>

namespace cli {

// A <meta> tag as a browser parses it: attribute names in any case, values in
// double, single or no quotes, the tag ending at the first '>' outside quotes.
// The views point into the page.
struct MetaTagAt
{
    qsizetype start = 0; // at '<'
    qsizetype end = 0; // behind '>', or the page's end
    QByteArrayView name; // the name attribute's value
    QByteArrayView content;
    QByteArrayView httpEquiv;
    bool hasCharset = false; // a charset attribute
};

// A page's head seldom holds more tags than fit without an allocation.
using MetaTags = QVarLengthArray<MetaTagAt, 16>;

// Every <meta> tag of the page (or of a part of it), in page order.
MetaTags MetaTagsIn(QByteArrayView page);

// HTML's white space.
inline bool IsHtmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Whether a and b hold the same letters, ignoring case.
inline bool SameIgnoringCase(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace cli
