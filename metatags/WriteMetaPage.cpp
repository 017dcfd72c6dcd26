#include "WriteMetaPage.h"

#include <QIODevice>

namespace metatags {

namespace {

constexpr QByteArrayView LineEnd = "\r\n";

void appendLine(QByteArray &out, QByteArrayView head, QByteArrayView value = {}, QByteArrayView tail = {})
{
    out.append(head).append(value).append(tail).append(LineEnd);
}

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
    QByteArray out;
    qsizetype size = 200;
    values.forEach([&size](MetaTag, const QByteArray &value) { size += value.size(); });
    out.reserve(size);
    appendLine(out, "<html>");
    appendLine(out, "<head>");
    appendLine(out, R"(<meta name="Author" content="Corvantis">)");
    appendLine(out, R"(<meta name="GENERATOR" content="Tagwright 2.0">)");
    values.forEach([&out](MetaTag tag, const QByteArray &value) {
        out.append(R"(<meta name=")").append(TagWord(tag)).append(R"(" content=")");
        appendLine(out, value, R"(">)");
    });
    return out;
}

bool WriteMetaPage(QIODevice &device, const PerTag<QByteArray> &values, QByteArrayView page)
{
    return writeAll(device, MetaPreamble(values)) && writeAll(device, page) && writeAll(device, LineEnd);
}

} // namespace metatags
