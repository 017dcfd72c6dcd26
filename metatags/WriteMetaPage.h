#pragma once

#include "FileError.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

class QIODevice;

namespace metatags {

// The three meta values as the bytes that go into the file.
struct MetaBytes
{
    QByteArray title;
    QByteArray description;
    QByteArray keywords;
};

// The seven preamble lines, each ending in CR LF.
QByteArray MetaPreamble(const MetaBytes &values);

// Writes the preamble, then the page and a final CR LF. Returns false as soon
// as the device refuses a write.
bool WriteMetaPage(QIODevice &device, const MetaBytes &values, QByteArrayView page);

// Writes the meta page to target atomically (see ReplaceFile): the new content
// replaces the target only once it is completely on disk, so a failure leaves
// the target exactly as it was. Returns the error, or nothing on success.
std::optional<FileError> WriteMetaPage(const QString &target, const MetaBytes &values, QByteArrayView page);

} // namespace metatags
