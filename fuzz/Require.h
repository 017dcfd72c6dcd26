#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzz {

// A broken invariant ends the run at once, so that libFuzzer keeps the input
// as a crash and the message says which rule it broke.
inline void Require(bool holds, const char *rule)
{
    if (holds)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", rule);
    std::abort();
}

} // namespace fuzz
