#pragma once

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// The bytes as UTF-16 code units, any of them, lone surrogates included; an
// odd last byte is left out.
inline QString Utf16Text(QByteArrayView bytes)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    if (!text.isEmpty())
        std::memcpy(text.data(), bytes.data(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
    return text;
}

} // namespace fuzz
