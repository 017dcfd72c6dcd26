#include "ByteSearch.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace metatags {

qsizetype FindBytes(QByteArrayView haystack, QByteArrayView needle, qsizetype from)
{
    if (from < 0 || from > haystack.size())
        return -1;
    if (needle.isEmpty())
        return from;
    if (needle.size() > haystack.size() - from)
        return -1;
    const char *begin = haystack.data() + from;
    const auto length = static_cast<std::size_t>(haystack.size() - from);
#if defined(__GLIBC__)
    // glibc's memmem runs at memory speed; the pages can be hundreds of megabytes.
    const void *hit = memmem(begin, length, needle.data(), static_cast<std::size_t>(needle.size()));
    return hit ? static_cast<const char *>(hit) - haystack.data() : -1;
#else
    const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());
    const char *end = begin + length;
    const char *hit = std::search(begin, end, searcher);
    return hit == end ? -1 : hit - haystack.data();
#endif
}

} // namespace metatags
