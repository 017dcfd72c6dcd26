#pragma once

#include "FileStamp.h"
#include "Result.h"

#include <QString>

#include <functional>

class QIODevice;

namespace metatags {

// Puts what write gives into a device in the place of target, or creates it:
// the new content goes to a temporary file in the same folder, and only once
// all of it is on disk does a rename put it in the target's place. A failure
// at any step leaves the target exactly as it was and no temporary file behind.
//
// A symbolic link is written through. A target that exists is refused when it
// is not a regular file, when it may not be written, or when it has other hard
// links (a rename would part them from the new page). The new file keeps the
// target's mode bits, and its owner and group where the process may set them.
// Gives the stamp of the file written.
Result<FileStamp> ReplaceFile(const QString &target, const std::function<bool(QIODevice &)> &write);

} // namespace metatags
