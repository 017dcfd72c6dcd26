#include "WriteMetaPage.h"

#include "FileReplacement.h"

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

QByteArray MetaPreamble(const MetaBytes &values)
{
    QByteArray out;
    out.reserve(200 + values.title.size() + values.description.size() + values.keywords.size());
    appendLine(out, "<html>");
    appendLine(out, "<head>");
    appendLine(out, R"(<meta name="Author" content="Corvantis">)");
    appendLine(out, R"(<meta name="GENERATOR" content="Tagwright 2.0">)");
    appendLine(out, R"(<meta name="Title" content=")", values.title, R"(">)");
    appendLine(out, R"(<meta name="Description" content=")", values.description, R"(">)");
    appendLine(out, R"(<meta name="KeyWords" content=")", values.keywords, R"(">)");
    return out;
}

bool WriteMetaPage(QIODevice &device, const MetaBytes &values, QByteArrayView page)
{
    return writeAll(device, MetaPreamble(values)) && writeAll(device, page) && writeAll(device, LineEnd);
}

std::optional<FileError> WriteMetaPage(const QString &target, const MetaBytes &values, QByteArrayView page)
{
    const Result<FileStamp> written
        = ReplaceFile(target, [&](QIODevice &device) { return WriteMetaPage(device, values, page); });
    if (!written.ok())
        return written.error();
    return std::nullopt;
}

} // namespace metatags
