#pragma once

#include "FileError.h"

#include <QString>

#include <optional>

namespace bench {

// What the user types before saving. Text beyond ASCII makes the save find
// the page's encoding, which scans the page once more.
enum class TypedText { Ascii, BeyondAscii };

// The editor's whole job on one page: open it (load, then read the three
// values in the Open button's order), type a description and key words, and
// save it to target.
std::optional<metatags::FileError> OpenThenSave(const QString &page, const QString &target, TypedText typed);

} // namespace bench
