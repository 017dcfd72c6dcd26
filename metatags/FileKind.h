#pragma once

#include <QString>

#include <sys/types.h>

namespace metatags {

// Why a file of this kind (st_mode) is neither read nor written: only regular
// files are, so that nothing blocks on a pipe or reads a device without end.
QString DescribeNonRegularFile(mode_t mode);

} // namespace metatags
