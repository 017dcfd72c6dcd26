#include "ByteSearch.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>

#if defined(__x86_64__) && defined(__GNUC__)
#define METATAGS_AVX2_SEARCH
#include <immintrin.h>
#endif

namespace metatags {

namespace {

#if defined(METATAGS_AVX2_SEARCH)

// glibc's memmem slows to about 1 GB/s on text full of the needle's letters,
// and the pages can be hundreds of megabytes. Comparing the needle's first and
// last bytes at 32 positions at a time, and the whole needle only where both
// stand, keeps close to memchr. For a needle of two bytes or more.
[[gnu::target("avx2")]] const char *findWithAvx2(const char *begin, const char *end, QByteArrayView needle)
{
    const auto lastOffset = static_cast<std::size_t>(needle.size() - 1);
    const __m256i first = _mm256_set1_epi8(needle.front());
    const __m256i last = _mm256_set1_epi8(needle.back());
    const char *at = begin;
    for (; static_cast<std::size_t>(end - at) >= 32 + lastOffset; at += 32) {
        const __m256i firsts = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at));
        const __m256i lasts = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at + lastOffset));
        const __m256i both = _mm256_and_si256(_mm256_cmpeq_epi8(firsts, first), _mm256_cmpeq_epi8(lasts, last));
        for (auto marks = static_cast<std::uint32_t>(_mm256_movemask_epi8(both)); marks != 0; marks &= marks - 1) {
            const char *candidate = at + std::countr_zero(marks);
            if (std::memcmp(candidate, needle.data(), lastOffset + 1) == 0)
                return candidate;
        }
    }
    // The last few positions, too few for a vector.
    const char *hit = std::search(at, end, needle.begin(), needle.end());
    return hit == end ? nullptr : hit;
}

#endif

} // namespace

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
#if defined(METATAGS_AVX2_SEARCH)
    if (needle.size() > 1 && __builtin_cpu_supports("avx2")) {
        const char *hit = findWithAvx2(begin, begin + length, needle);
        return hit ? hit - haystack.data() : -1;
    }
#endif
#if defined(__GLIBC__)
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
