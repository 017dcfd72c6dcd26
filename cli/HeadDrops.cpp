#include "HeadDrops.h"

#include "PageMetaTags.h"

namespace cli {

namespace {

constexpr qsizetype ShownTagLength = 60;

// A tag as a person reads it in one line: white space runs as one space, and
// a long tag cut with an ellipsis before its '>'.
QString shownTag(QByteArrayView tag)
{
    QString text = QString::fromUtf8(tag).simplified();
    if (text.size() > ShownTagLength)
        text = text.first(ShownTagLength - 1) + QStringLiteral(" …>");
    return text;
}

} // namespace

QStringList HeadDropsOf(QByteArrayView page, const std::optional<metatags::KeptPart> &kept, const MetaTags &tags)
{
    if (!kept)
        return {};
    const QByteArrayView head = page.first(kept->start);
    QStringList dropped;
    if (const qsizetype doctype = IndexIgnoringCase(head, "<!doctype"); doctype >= 0) {
        const qsizetype end = head.indexOf('>', doctype);
        dropped.append(shownTag(head.sliced(doctype, (end < 0 ? head.size() : end + 1) - doctype)));
    }
    for (const MetaTagAt &tag : tags) {
        if (tag.start >= head.size())
            break;
        const bool charset = tag.hasCharset
            || (SameIgnoringCase(tag.httpEquiv, "content-type") && IndexIgnoringCase(tag.content, "charset") >= 0);
        if (charset || SameIgnoringCase(tag.name, "viewport"))
            dropped.append(shownTag(page.sliced(tag.start, tag.end - tag.start)));
    }
    return dropped;
}

} // namespace cli
