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

// The needle at a start position from first up to (not including) last, or null.
const char *compareEach(const char *first, const char *last, const char *end, QByteArrayView needle)
{
    const auto length = static_cast<std::size_t>(needle.size());
    for (const char *at = first; at < last && static_cast<std::size_t>(end - at) >= length; ++at) {
        if (*at == needle.front() && std::memcmp(at, needle.data(), length) == 0)
            return at;
    }
    return nullptr;
}

// One bit for each of the 32 start positions from at where the needle's first
// byte stands and, lastOffset bytes on, its last byte.
[[gnu::target("avx2")]] inline std::uint64_t candidatesAt(
    const char *at, std::size_t lastOffset, __m256i first, __m256i last)
{
    const __m256i firsts = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at));
    const __m256i lasts = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at + lastOffset));
    const __m256i both = _mm256_and_si256(_mm256_cmpeq_epi8(firsts, first), _mm256_cmpeq_epi8(lasts, last));
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(both));
}

// Whether the needle stands at a candidate, whose first and last bytes match.
// The byte before the last turns most near misses away without a call.
bool restMatches(const char *candidate, QByteArrayView needle)
{
    const qsizetype beforeLast = needle.size() - 2;
    return candidate[beforeLast] == needle[beforeLast]
        && std::memcmp(candidate + 1, needle.data() + 1, static_cast<std::size_t>(beforeLast)) == 0;
}

// glibc's memmem slows to about 1 GB/s on text full of the needle's letters,
// and the pages can be hundreds of megabytes. Comparing the needle's first and
// last bytes at 128 positions at a time, and the whole needle only where both
// stand, keeps close to memchr. For a needle of two bytes or more.
[[gnu::target("avx2")]] const char *findWithAvx2(const char *begin, const char *end, QByteArrayView needle)
{
    constexpr std::size_t Round = 128;
    const auto lastOffset = static_cast<std::size_t>(needle.size() - 1);
    const __m256i first = _mm256_set1_epi8(needle.front());
    const __m256i last = _mm256_set1_epi8(needle.back());

    // Aligned loads of the first bytes never straddle two cache lines.
    const std::size_t misalignment = reinterpret_cast<std::uintptr_t>(begin) % 32;
    const char *at = begin + std::min<std::size_t>((32 - misalignment) % 32, static_cast<std::size_t>(end - begin));
    if (const char *hit = compareEach(begin, at, end, needle))
        return hit;

    while (static_cast<std::size_t>(end - at) >= Round + lastOffset) {
        const std::uint64_t halves[2] = {
            candidatesAt(at, lastOffset, first, last) | candidatesAt(at + 32, lastOffset, first, last) << 32,
            candidatesAt(at + 64, lastOffset, first, last) | candidatesAt(at + 96, lastOffset, first, last) << 32,
        };
        if ((halves[0] | halves[1]) != 0) {
            for (std::size_t half = 0; half < 2; ++half) {
                for (std::uint64_t marks = halves[half]; marks != 0; marks &= marks - 1) {
                    const char *candidate = at + half * 64 + std::countr_zero(marks);
                    if (restMatches(candidate, needle))
                        return candidate;
                }
            }
        }
        at += Round;
    }
    return compareEach(at, end, end, needle);
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
