#pragma once

#include <QString>

#ifdef Q_OS_UNIX
#include <sys/types.h>
#else
#include <QFileInfo>
#endif

namespace metatags {

// Why a file of this kind is neither read nor written: only regular files are,
// so that nothing blocks on a pipe or reads a device without end.
#ifdef Q_OS_UNIX
QString DescribeNonRegularFile(mode_t mode);
#else
// Only a folder can be told from other kinds here.
QString DescribeNonRegularFile(const QFileInfo &info);
#endif

} // namespace metatags
