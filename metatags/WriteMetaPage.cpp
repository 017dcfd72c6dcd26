#include "WriteMetaPage.h"

#include <QIODevice>

namespace metatags {

namespace {

constexpr QByteArrayView LineEnd = "\r\n";

// A short write is no failure yet: writing the rest either goes on or fails
// with the reason (a full disk, a file too large) that a short write leaves out.
bool writeAll(QIODevice &device, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const qint64 written = device.write(bytes.data(), bytes.size());
        if (written <= 0)
            return false;
        bytes = bytes.sliced(written);
    }
    return true;
}

} // namespace

QByteArray MetaPreamble(const PerTag<QByteArray> &values)
{
    QByteArray out = "<html>\r\n"
                     "<head>\r\n"
                     "<meta name=\"Author\" content=\"Corvantis\">\r\n"
                     "<meta name=\"GENERATOR\" content=\"Tagwright 2.0\">\r\n";
    values.forEach([&out](MetaTag tag, const QByteArray &value) {
        out.append(R"(<meta name=")").append(TagWord(tag)).append(R"(" content=")").append(value).append("\">\r\n");
    });
    return out;
}

bool WriteMetaPage(QIODevice &device, const PerTag<QByteArray> &values, QByteArrayView page)
{
    return writeAll(device, MetaPreamble(values)) && writeAll(device, page) && writeAll(device, LineEnd);
}

} // namespace metatags
