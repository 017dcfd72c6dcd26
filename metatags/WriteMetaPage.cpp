#include "WriteMetaPage.h"

#include "Result.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#include <windows.h>
#endif

namespace metatags {

namespace {

constexpr QByteArrayView LineEnd = "\r\n";

QString tr(const char *text)
{
    return QCoreApplication::translate("WriteMetaPage", text);
}

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

// The file that a write to target really changes: QSaveFile would otherwise
// replace a symbolic link that loops or dangles with a regular file.
Result<QString> resolveLinks(const QString &target)
{
    constexpr int MaxLinkDepth = 40;
    QString path = target;
    for (int depth = 0; QFileInfo(path).isSymLink(); ++depth) {
        if (depth == MaxLinkDepth)
            return FileError { target, tr("Too many levels of symbolic links.") };
        path = QFileInfo(path).symLinkTarget();
    }
    return path;
}

std::optional<QString> refusalOf(const QFileInfo &target)
{
    if (!target.exists() || target.isFile())
        return std::nullopt;
    if (target.isDir())
        return tr("It is a folder, not a file.");
    return tr("It is not a regular file (a pipe, a device or a socket); only regular files are written.");
}

// QSaveFile::commit() in Qt 6.4 ignores a failed sync, so sync here and check
// it. Returns the reason of a failure.
std::optional<QString> syncToDisk(QSaveFile &file)
{
#ifdef Q_OS_UNIX
    if (::fsync(file.handle()) != 0)
        return qt_error_string(errno);
#elif defined(Q_OS_WIN)
    if (!FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()))))
        return qt_error_string(static_cast<int>(GetLastError()));
#else
    Q_UNUSED(file);
#endif
    return std::nullopt;
}

FileError cancelWriting(QSaveFile &file, const QString &target, const QString &reason)
{
    file.cancelWriting();
    return FileError { target, reason };
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
    const Result<QString> resolved = resolveLinks(target);
    if (!resolved.ok())
        return resolved.error();
    if (const std::optional<QString> refusal = refusalOf(QFileInfo(resolved.value())))
        return FileError { target, *refusal };

    QSaveFile file(resolved.value());
    // Writing in place when no temporary file can be made would give up the
    // very protection this function exists for.
    file.setDirectWriteFallback(false);
    // Unbuffered: every write reaches the file at once and reports its own
    // failure, and a large page is not copied through a buffer.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return FileError { target, file.errorString() };

    // Every failure must cancel, so that the temporary file goes and the target
    // stays as it was.
    if (!WriteMetaPage(file, values, page) || !file.flush())
        return cancelWriting(file, target, file.errorString());
    if (const std::optional<QString> reason = syncToDisk(file))
        return cancelWriting(file, target, *reason);
    if (!file.commit())
        return FileError { target, file.errorString() };
    return std::nullopt;
}

} // namespace metatags
