#include "PageMetaTags.h"

#include <ByteSearch.h>

#include <algorithm>

namespace cli {

namespace {

// Reads the attributes of the tag whose name ends at `at`, up to its '>'.
qsizetype readAttributes(QByteArrayView page, qsizetype at, MetaTagAt &tag)
{
    const qsizetype size = page.size();
    while (at < size) {
        while (at < size && (IsHtmlSpace(page[at]) || page[at] == '/'))
            ++at;
        if (at >= size || page[at] == '>')
            break;
        const qsizetype nameAt = at;
        while (at < size && !IsHtmlSpace(page[at]) && page[at] != '=' && page[at] != '>' && page[at] != '/')
            ++at;
        const QByteArrayView name = page.sliced(nameAt, at - nameAt);
        while (at < size && IsHtmlSpace(page[at]))
            ++at;
        QByteArrayView value;
        if (at < size && page[at] == '=') {
            ++at;
            while (at < size && IsHtmlSpace(page[at]))
                ++at;
            if (at < size && (page[at] == '"' || page[at] == '\'')) {
                const char quote = page[at++];
                const qsizetype valueAt = at;
                while (at < size && page[at] != quote)
                    ++at;
                value = page.sliced(valueAt, at - valueAt);
                at = std::min(at + 1, size);
            } else {
                const qsizetype valueAt = at;
                while (at < size && !IsHtmlSpace(page[at]) && page[at] != '>')
                    ++at;
                value = page.sliced(valueAt, at - valueAt);
            }
        }
        if (SameIgnoringCase(name, "name"))
            tag.name = value;
        else if (SameIgnoringCase(name, "content"))
            tag.content = value;
        else if (SameIgnoringCase(name, "http-equiv"))
            tag.httpEquiv = value;
        else if (SameIgnoringCase(name, "charset"))
            tag.hasCharset = true;
    }
    return std::min(at + 1, size);
}

} // namespace

MetaTags MetaTagsIn(QByteArrayView page)
{
    MetaTags tags;
    // A page has many tags and few meta tags: "<m" and "<M" are looked for with
    // the fast byte search, each again only once its last find is passed.
    qsizetype lowerAt = -2;
    qsizetype upperAt = -2;
    // FindBytes finds nothing from the page's end on.
    for (qsizetype from = 0;;) {
        if (lowerAt != -1 && lowerAt < from)
            lowerAt = metatags::FindBytes(page, "<m", from);
        if (upperAt != -1 && upperAt < from)
            upperAt = metatags::FindBytes(page, "<M", from);
        if (lowerAt < 0 && upperAt < 0)
            break;
        const qsizetype at = lowerAt < 0 ? upperAt : upperAt < 0 ? lowerAt : std::min(lowerAt, upperAt);
        from = at + 2; // past the 'm'
        const qsizetype nameEnd = at + 5;
        // "<metadata>" or "<meta-x>" is another element.
        if (nameEnd > page.size() || !SameIgnoringCase(page.sliced(at + 2, 3), "eta")
            || (nameEnd < page.size() && !IsHtmlSpace(page[nameEnd]) && page[nameEnd] != '/' && page[nameEnd] != '>'))
            continue;
        MetaTagAt tag;
        tag.start = at;
        tag.end = readAttributes(page, nameEnd, tag);
        tags.push_back(tag);
        from = tag.end;
    }
    return tags;
}

} // namespace cli
