#include "FileKind.h"

#include <QCoreApplication>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace metatags {

namespace {
// The context the messages are translated in.
struct Text
{
    Q_DECLARE_TR_FUNCTIONS(FileKind)
};
} // namespace

#ifdef Q_OS_UNIX

QString DescribeNonRegularFile(mode_t mode)
{
    if (S_ISDIR(mode))
        return Text::tr("It is a folder, not a file.");
    if (S_ISFIFO(mode))
        return Text::tr("It is a pipe (FIFO), not a regular file.");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return Text::tr("It is a device, not a regular file.");
    if (S_ISSOCK(mode))
        return Text::tr("It is a socket, not a regular file.");
    return Text::tr("It is not a regular file.");
}

#else

QString DescribeNonRegularFile(const QFileInfo &info)
{
    return info.isDir() ? Text::tr("It is a folder, not a file.") : Text::tr("It is not a regular file.");
}

#endif

} // namespace metatags
