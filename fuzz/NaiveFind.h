#pragma once

#include <QByteArrayView>

#include <algorithm>

namespace fuzz {

// The first occurrence of needle in haystack at or after from, or -1: the
// plain definition that the fast search must agree with.
inline qsizetype NaiveFind(QByteArrayView haystack, QByteArrayView needle, qsizetype from = 0)
{
    if (from < 0 || from > haystack.size())
        return -1;
    const auto end = haystack.end();
    const auto hit = std::search(haystack.begin() + from, end, needle.begin(), needle.end());
    if (hit == end)
        return needle.isEmpty() && from == haystack.size() ? from : -1;
    return hit - haystack.begin();
}

} // namespace fuzz
