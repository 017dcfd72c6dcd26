#include "FileKind.h"

#include <QCoreApplication>

#include <sys/stat.h>

namespace metatags {

QString DescribeNonRegularFile(mode_t mode)
{
    const auto tr = [](const char *text) { return QCoreApplication::translate("FileKind", text); };
    if (S_ISDIR(mode))
        return tr("It is a folder, not a file.");
    if (S_ISFIFO(mode))
        return tr("It is a pipe (FIFO), not a regular file.");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return tr("It is a device, not a regular file.");
    if (S_ISSOCK(mode))
        return tr("It is a socket, not a regular file.");
    return tr("It is not a regular file.");
}

} // namespace metatags
