#include "PageMetaTags.h"

#include <ByteSearch.h>

#include <algorithm>
#include <cstring>

namespace cli {

namespace {

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Reads the attributes of the tag whose name ends at `at`, up to its '>'.
qsizetype readAttributes(QByteArrayView page, qsizetype at, MetaTagAt &tag)
{
    const qsizetype size = page.size();
    while (at < size) {
        while (at < size && (isSpace(page[at]) || page[at] == '/'))
            ++at;
        if (at >= size || page[at] == '>')
            break;
        const qsizetype nameAt = at;
        while (at < size && !isSpace(page[at]) && page[at] != '=' && page[at] != '>' && page[at] != '/')
            ++at;
        const QByteArrayView name = page.sliced(nameAt, at - nameAt);
        while (at < size && isSpace(page[at]))
            ++at;
        QByteArrayView value;
        if (at < size && page[at] == '=') {
            ++at;
            while (at < size && isSpace(page[at]))
                ++at;
            if (at < size && (page[at] == '"' || page[at] == '\'')) {
                const char quote = page[at++];
                const qsizetype valueAt = at;
                while (at < size && page[at] != quote)
                    ++at;
                value = page.sliced(valueAt, at - valueAt);
                if (at < size)
                    ++at;
            } else {
                const qsizetype valueAt = at;
                while (at < size && !isSpace(page[at]) && page[at] != '>')
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
    return at < size ? at + 1 : size;
}

} // namespace

bool SameIgnoringCase(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

qsizetype IndexIgnoringCase(QByteArrayView haystack, QByteArrayView needle, qsizetype from)
{
    if (needle.isEmpty())
        return from <= haystack.size() ? from : -1;
    const char first = lower(needle[0]);
    const char other = first >= 'a' && first <= 'z' ? char(first - 'a' + 'A') : first;
    for (qsizetype at = from; at + needle.size() <= haystack.size(); ++at) {
        // Look for the first character in both cases with memchr-speed scans.
        const char *data = haystack.data();
        const std::size_t left = std::size_t(haystack.size() - needle.size() - at + 1);
        const void *lowerAt = std::memchr(data + at, first, left);
        const void *otherAt = other == first ? nullptr : std::memchr(data + at, other, left);
        if (lowerAt == nullptr && otherAt == nullptr)
            return -1;
        const char *candidate = lowerAt == nullptr ? static_cast<const char *>(otherAt)
            : otherAt == nullptr                   ? static_cast<const char *>(lowerAt)
                                 : std::min(static_cast<const char *>(lowerAt), static_cast<const char *>(otherAt));
        at = candidate - data;
        if (SameIgnoringCase(haystack.sliced(at, needle.size()), needle))
            return at;
    }
    return -1;
}

MetaTags MetaTagsIn(QByteArrayView page)
{
    MetaTags tags;
    // A page has many tags and few meta tags: "<m" and "<M" are looked for with
    // the fast byte search, each again only once its last find is passed.
    qsizetype lowerAt = -2;
    qsizetype upperAt = -2;
    for (qsizetype from = 0; from < page.size();) {
        if (lowerAt != -1 && lowerAt < from)
            lowerAt = metatags::FindBytes(page, "<m", from);
        if (upperAt != -1 && upperAt < from)
            upperAt = metatags::FindBytes(page, "<M", from);
        if (lowerAt < 0 && upperAt < 0)
            break;
        const qsizetype at = lowerAt < 0 ? upperAt : upperAt < 0 ? lowerAt : std::min(lowerAt, upperAt);
        from = at + 1;
        const qsizetype nameEnd = at + 5;
        // "<metadata>" or "<meta-x>" is another element.
        if (nameEnd > page.size() || !SameIgnoringCase(page.sliced(at + 2, 3), "eta")
            || (nameEnd < page.size() && !isSpace(page[nameEnd]) && page[nameEnd] != '/' && page[nameEnd] != '>'))
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
