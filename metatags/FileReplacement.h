#pragma once

#include "FileStamp.h"
#include "Result.h"

#include <QString>

#include <functional>
#include <optional>

class QIODevice;

namespace metatags {

// Puts what write gives into a device in the place of target, or creates it:
// the new content goes to a temporary file in the same folder, and only once
// all of it is on disk does a rename put it in the target's place. A failure
// at any step leaves the target exactly as it was and no temporary file behind.
//
// A symbolic link is written through, resolved as the kernel resolves it. A target that exists is refused when it
// is not a regular file, when it may not be written, or when it has other hard
// links (a rename would part them from the new page). The new file keeps the
// target's mode bits, and its owner and group where the process may set them.
//
// The target must stay what it was when the save began, or what expected says
// it was when the caller read it: when another program writes, replaces,
// links or protects it in the meantime, nothing is renamed and that program's
// work stays. Gives the stamp of the file written.
Result<FileStamp> ReplaceFile(const QString &target, const std::function<bool(QIODevice &)> &write,
    const std::optional<FileStamp> &expected = std::nullopt);

// The refusal that ReplaceFile would give for target before writing anything
// (not a regular file, write-protected, hard links, a link loop, a folder that
// allows no new file); no error when a save may go ahead.
Result<void> CheckReplaceable(const QString &target);

} // namespace metatags
