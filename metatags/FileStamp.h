#pragma once

#include <QString>
#include <QtGlobal>

namespace metatags {

// What a file was at one moment, enough to tell that another program has since
// written, replaced, deleted, linked or write-protected it: its size,
// modification time, identity, number of names and mode.
struct FileStamp
{
    bool exists = false;
    qint64 size = 0;
    qint64 modifiedSeconds = 0;
    qint64 modifiedNanoseconds = 0;
    quint64 device = 0;
    quint64 inode = 0;
    quint64 linkCount = 0;
    quint32 mode = 0;

    bool operator==(const FileStamp &) const = default;
};

// The stamp of the file at path, following symbolic links, as a save writes
// through them; a path that names nothing gives a stamp that does not exist.
FileStamp StampOf(const QString &path);

#ifdef Q_OS_UNIX
// The stamp of an open file, by its descriptor.
FileStamp StampOfOpenFile(int fileDescriptor);
#endif

} // namespace metatags
