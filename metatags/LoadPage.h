#pragma once

#include "FileStamp.h"
#include "Result.h"

#include <QByteArray>
#include <QString>

namespace metatags {

// A page's bytes with the stamp the file had once it was read, so that a
// later save can tell whether another program changed it since.
struct StampedPage
{
    QByteArray bytes;
    FileStamp stamp;
};

// Reads the whole file at path as bytes, exactly as they stand: nothing is
// decoded, no line end or byte-order mark is touched. Only a regular file is
// read; anything else (a folder, a FIFO, a device) is refused at once, so that
// opening never blocks and never reads without end.
Result<StampedPage> LoadPage(const QString &path);

} // namespace metatags
