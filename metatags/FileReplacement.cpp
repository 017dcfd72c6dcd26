#include "FileReplacement.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include "FileKind.h"

#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#else
#include <QSaveFile>
#endif

namespace metatags {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("FileReplacement", text);
}

// The file that a write to target really changes: a rename would otherwise
// replace a symbolic link, or one that loops or dangles, with a regular file.
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

#ifdef Q_OS_UNIX

QString systemReason(int error)
{
    return qt_error_string(error);
}

// The system's "File name too long" names no limit; this one does.
QString tooLongReason(const QString &path)
{
    const QFileInfo info(path);
    const long limit = ::pathconf(QFile::encodeName(info.path()).constData(), _PC_NAME_MAX);
    const qsizetype length = QFile::encodeName(info.fileName()).size();
    if (limit <= 0 || length <= limit)
        return systemReason(ENAMETOOLONG);
    return tr("The file name is %1 bytes long; the file system allows at most %2.").arg(length).arg(limit);
}

// Why an existing target may not be replaced, if it may not.
std::optional<QString> refusalOf(const QByteArray &path, const struct stat &status)
{
    if (!S_ISREG(status.st_mode))
        return DescribeNonRegularFile(status.st_mode);
    // A rename would replace even a file that is write-protected, read-only
    // mounted or immutable; the user's protection counts.
    if (::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0)
        return systemReason(errno);
    if (status.st_nlink > 1)
        return tr("It is one file with %1 names (hard links): replacing it would give the new page to this name "
                  "only and leave the others with the old page. Save it under another name, or remove the other "
                  "links first.")
            .arg(status.st_nlink);
    return std::nullopt;
}

// The new content while it is written: a short name beside the target, so that
// a target name at the file system's length limit still works. Removed unless
// it was renamed into the target's place.
class TemporaryFile
{
public:
    TemporaryFile() = default;
    ~TemporaryFile()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
        if (!m_name.isEmpty())
            ::unlink(m_name.constData());
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    // The mode counts only for a new file: open() applies the umask to it.
    std::optional<QString> create(const QByteArray &folder, mode_t mode)
    {
        constexpr int Attempts = 100;
        for (int attempt = 0; attempt < Attempts; ++attempt) {
            const QByteArray name = folder + "/.tagwright-" + randomLetters();
            m_descriptor = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (m_descriptor >= 0) {
                m_name = name;
                return std::nullopt;
            }
            if (errno != EEXIST)
                return systemReason(errno);
        }
        return systemReason(EEXIST);
    }

    int handle() const { return m_descriptor; }

    // Some file systems report a failed write only when the file is closed.
    std::optional<QString> close()
    {
        const int descriptor = std::exchange(m_descriptor, -1);
        if (::close(descriptor) != 0)
            return systemReason(errno);
        return std::nullopt;
    }

    std::optional<QString> renameTo(const QByteArray &target)
    {
        if (::rename(m_name.constData(), target.constData()) != 0)
            return systemReason(errno);
        m_name.clear();
        return std::nullopt;
    }

private:
    static QByteArray randomLetters()
    {
        constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        QByteArray letters(8, Qt::Uninitialized);
        for (char &letter : letters)
            letter = Letters[QRandomGenerator::global()->bounded(static_cast<int>(sizeof Letters - 1))];
        return letters;
    }

    int m_descriptor = -1;
    QByteArray m_name;
};

std::optional<QString> keepOwnerAndMode(int descriptor, const struct stat &target)
{
    // Root may keep both owner and group, a member of the target's group the group.
    if (::fchown(descriptor, target.st_uid, target.st_gid) != 0
        && ::fchown(descriptor, static_cast<uid_t>(-1), target.st_gid) != 0) {
        // Neither may be kept: the new file is the user's own, as a copy of it would be.
    }
    // After the owner: a change of owner clears the set-user-ID and set-group-ID bits.
    if (::fchmod(descriptor, target.st_mode & 07777) != 0)
        return systemReason(errno);
    return std::nullopt;
}

// Makes the rename itself last through a crash. The new file is in place by
// now, so a failure here is no failure of the save.
void syncFolder(const QByteArray &folder)
{
    const int descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    ::fsync(descriptor);
    ::close(descriptor);
}

Result<FileStamp> replaceRegularFile(
    const QString &target, const QString &resolved, const std::function<bool(QIODevice &)> &write)
{
    const QByteArray path = QFile::encodeName(resolved);
    struct stat existing
    { };
    const bool exists = ::stat(path.constData(), &existing) == 0;
    if (!exists && errno == ENAMETOOLONG)
        return FileError { target, tooLongReason(resolved) };
    // A missing file is made; any other failure (a parent that is a file, a
    // folder that may not be searched) would fail the same way below.
    if (!exists && errno != ENOENT)
        return FileError { target, systemReason(errno) };
    if (exists) {
        if (const std::optional<QString> refusal = refusalOf(path, existing))
            return FileError { target, *refusal };
    }

    const QByteArray folder = QFile::encodeName(QFileInfo(resolved).path());
    TemporaryFile temporary;
    // Until the target's mode is applied, nobody else may read the new content.
    if (const std::optional<QString> reason = temporary.create(folder, exists ? 0600 : 0666))
        return FileError { target, *reason };

    QFile device;
    // Unbuffered: every write reaches the file at once and reports its own
    // failure, and a large page is not copied through a buffer.
    if (!device.open(temporary.handle(), QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        return FileError { target, device.errorString() };
    if (!write(device))
        return FileError { target, device.errorString() };
    device.close();

    if (exists) {
        if (const std::optional<QString> reason = keepOwnerAndMode(temporary.handle(), existing))
            return FileError { target, *reason };
    }
    if (::fsync(temporary.handle()) != 0)
        return FileError { target, systemReason(errno) };
    const FileStamp written = StampOfOpenFile(temporary.handle());
    if (const std::optional<QString> reason = temporary.close())
        return FileError { target, *reason };
    if (const std::optional<QString> reason = temporary.renameTo(path))
        return FileError { target, *reason };
    syncFolder(folder);
    return written;
}

#else

Result<FileStamp> replaceRegularFile(
    const QString &target, const QString &resolved, const std::function<bool(QIODevice &)> &write)
{
    const QFileInfo info(resolved);
    if (info.isDir())
        return FileError { target, tr("It is a folder, not a file.") };
    if (info.exists() && !info.isFile())
        return FileError { target, tr("It is not a regular file; only regular files are written.") };

    QSaveFile file(resolved);
    // Writing in place when no temporary file can be made would give up the
    // very protection this function exists for.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return FileError { target, file.errorString() };
    if (!write(file) || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return FileError { target, reason };
    }
    if (!file.commit())
        return FileError { target, file.errorString() };
    return StampOf(resolved);
}

#endif

} // namespace

Result<FileStamp> ReplaceFile(const QString &target, const std::function<bool(QIODevice &)> &write)
{
    const Result<QString> resolved = resolveLinks(target);
    if (!resolved.ok())
        return resolved.error();
    return replaceRegularFile(target, resolved.value(), write);
}

} // namespace metatags
