#pragma once

#include <QString>

namespace metatags {

// A file operation that failed: which file, and why, in words a user can read.
struct FileError
{
    QString path;
    QString reason;

    bool operator==(const FileError &) const = default;
};

} // namespace metatags
