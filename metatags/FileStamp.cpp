#include "FileStamp.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace metatags {

#ifdef Q_OS_UNIX

namespace {

FileStamp stampOf(const struct stat &status)
{
    return { true, static_cast<qint64>(status.st_size), static_cast<qint64>(status.st_mtim.tv_sec),
        static_cast<qint64>(status.st_mtim.tv_nsec), static_cast<quint64>(status.st_dev),
        static_cast<quint64>(status.st_ino), static_cast<quint64>(status.st_nlink),
        static_cast<quint32>(status.st_mode) };
}

} // namespace

FileStamp StampOf(const QString &path)
{
    struct stat status
    { };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return stampOf(status);
}

FileStamp StampOfOpenFile(int fileDescriptor)
{
    struct stat status
    { };
    if (::fstat(fileDescriptor, &status) != 0)
        return {};
    return stampOf(status);
}

#else

FileStamp StampOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    const qint64 modified = info.lastModified().toMSecsSinceEpoch();
    return { true, info.size(), modified / 1000, (modified % 1000) * 1000000, 0, 0, 1, 0 };
}

#endif

} // namespace metatags
