#pragma once

#include <QByteArrayView>

namespace metatags {

// Offset of the first occurrence of needle in haystack at or after from, or -1.
// Exact, case-sensitive byte comparison; an empty needle is found at from.
qsizetype FindBytes(QByteArrayView haystack, QByteArrayView needle, qsizetype from = 0);

} // namespace metatags
