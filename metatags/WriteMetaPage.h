#pragma once

#include "MetaTag.h"

#include <QByteArray>
#include <QByteArrayView>

class QIODevice;

namespace metatags {

// The seven preamble lines, each ending in CR LF, with the values as the bytes
// that go into the file.
QByteArray MetaPreamble(const PerTag<QByteArray> &values);

// Writes the preamble, then the page and a final CR LF. Returns false as soon
// as the device refuses a write.
bool WriteMetaPage(QIODevice &device, const PerTag<QByteArray> &values, QByteArrayView page);

} // namespace metatags
