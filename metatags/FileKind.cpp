#include "FileKind.h"

#include <QCoreApplication>

#include <sys/stat.h>

namespace metatags {

namespace {
// The context the messages are translated in.
struct Text
{
    Q_DECLARE_TR_FUNCTIONS(FileKind)
};
} // namespace

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

} // namespace metatags
