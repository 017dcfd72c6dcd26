#include "FileReplacement.h"

#include "FileKind.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include "FileDescriptor.h"
#include "SaveSignals.h"

#include <QDir>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#else
#include <QSaveFile>
#endif

namespace metatags {

namespace {

// The context the messages are translated in.
struct Text
{
    Q_DECLARE_TR_FUNCTIONS(FileReplacement)
};

QString linkLoopReason()
{
    return Text::tr("Too many levels of symbolic links.");
}

#ifdef Q_OS_UNIX

// The file that a write to target really changes, found as the kernel finds
// it: each link's target is read and, when relative, joined to the link's own
// folder, whose links are followed before any ".." in the target applies. A
// rename would otherwise replace the link itself, or a file it does not name.
// The file need not exist: a dangling link gives the file it names.
Result<QByteArray> resolveLinks(const QString &target)
{
    constexpr int MaxLinks = 40;
    QByteArray path = QFile::encodeName(target);
    for (int links = 0;; ++links) {
        const qsizetype slash = path.lastIndexOf('/');
        // A name that is empty, "." or ".." names a folder, which is refused later on.
        const QByteArray name = path.sliced(slash + 1);
        const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.first(slash);
        char realFolder[PATH_MAX];
        if (::realpath(folder.constData(), realFolder) == nullptr)
            return FileError { target, errno == ELOOP ? linkLoopReason() : qt_error_string(errno) };
        QByteArray resolved = realFolder;
        if (!resolved.endsWith('/'))
            resolved += '/';
        resolved += name;

        struct stat status
        { };
        if (::lstat(resolved.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
            return resolved;
        if (links == MaxLinks)
            return FileError { target, linkLoopReason() };
        QByteArray linkTarget(PATH_MAX, Qt::Uninitialized);
        const ssize_t length
            = ::readlink(resolved.constData(), linkTarget.data(), static_cast<size_t>(linkTarget.size()));
        if (length == -1)
            return FileError { target, qt_error_string(errno) };
        linkTarget.truncate(length);
        path = linkTarget.startsWith('/') ? linkTarget : QByteArray(realFolder) + '/' + linkTarget;
    }
}

// The system's "File name too long" names no limit; this one does.
QString tooLongReason(const QString &path)
{
    const QFileInfo info(path);
    const long limit = ::pathconf(QFile::encodeName(info.path()).constData(), _PC_NAME_MAX);
    const qsizetype length = QFile::encodeName(info.fileName()).size();
    if (limit <= 0 || length <= limit)
        return qt_error_string(ENAMETOOLONG);
    return Text::tr("The file name is %1 bytes long; the file system allows at most %2.").arg(length).arg(limit);
}

// Why no new file can be made in folder: the file may be writable while the
// folder is not, and then the folder is what the user has to change.
QString creationFailure(const QByteArray &folder, int error)
{
    if (error == EACCES || error == EPERM)
        return Text::tr("The folder %1 does not allow new files in it: %2")
            .arg(QDir::toNativeSeparators(QFile::decodeName(folder)), qt_error_string(error));
    return qt_error_string(error);
}

QString changedMeanwhileReason()
{
    return Text::tr("Another program changed the file while it was being saved; it was left as that program wrote it.");
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
        if (m_descriptor != -1)
            ::close(m_descriptor);
        if (!m_name.isEmpty())
            ::unlink(m_name.constData());
        // m_guard goes last, once the file is gone.
    }
    Q_DISABLE_COPY(TemporaryFile)

    // The mode counts only for a new file: open() applies the umask to it.
    Result<void> create(const QString &target, const QByteArray &folder, mode_t mode)
    {
        constexpr int Attempts = 100;
        for (int attempt = 0; attempt < Attempts; ++attempt) {
            const QByteArray name
                = folder + "/.tagwright-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
            // Known to the signal handlers before the file exists, so that no
            // moment is left in which an interrupted save leaves it behind.
            m_guard.emplace(name);
            m_descriptor = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (m_descriptor != -1) {
                m_name = name;
                return {};
            }
            const int error = errno;
            m_guard.reset();
            if (error != EEXIST)
                return FileError { target, creationFailure(folder, error) };
        }
        return FileError { target, qt_error_string(EEXIST) };
    }

    int handle() const { return m_descriptor; }

    // Some file systems report a failed write only when the file is closed.
    Result<void> close(const QString &target)
    {
        const int descriptor = std::exchange(m_descriptor, -1);
        if (::close(descriptor) != 0)
            return FileError { target, qt_error_string(errno) };
        return {};
    }

    // Without mayReplace, a file that another program has made under the
    // target's name since it was looked at is left alone.
    Result<void> renameTo(const QString &target, const QByteArray &path, bool mayReplace)
    {
        int renamed = -1;
        if (!mayReplace) {
            renamed = ::renameat2(AT_FDCWD, m_name.constData(), AT_FDCWD, path.constData(), RENAME_NOREPLACE);
            if (renamed != 0 && errno == EEXIST)
                return FileError { target, changedMeanwhileReason() };
        }
        // A file system without that kind of rename gets the plain one.
        if (renamed != 0 && ::rename(m_name.constData(), path.constData()) != 0)
            return FileError { target, qt_error_string(errno) };
        // The name is gone now: the destructor's unlink of it fails, harmlessly.
        return {};
    }

private:
    int m_descriptor = -1;
    QByteArray m_name;
    std::optional<TemporaryNameGuard> m_guard;
};

// Takes an exclusive advisory lock on the open file, for as long as it stays
// open. Saves by this program hold it only for a look and a rename; a program
// that keeps it far longer is not waited for without end.
bool lockExclusively(int descriptor)
{
    constexpr int Attempts = 500;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK)
            return true;
        ::usleep(10000);
    }
    return false;
}

Result<void> keepOwnerAndMode(const QString &target, int descriptor, const struct stat &existing)
{
    // Root may keep both owner and group, a member of the target's group the group.
    // When neither may be kept, the new file is the user's own, as a copy of it would be.
    if (::fchown(descriptor, existing.st_uid, existing.st_gid) != 0)
        (void)::fchown(descriptor, static_cast<uid_t>(-1), existing.st_gid);
    // After the owner: a change of owner clears the set-user-ID and set-group-ID bits.
    if (::fchmod(descriptor, existing.st_mode & 07777) != 0)
        return FileError { target, qt_error_string(errno) };
    return {};
}

// Makes the rename itself last through a crash. The new file is in place by
// now, so a failure here is no failure of the save.
void syncFolder(const QByteArray &folder)
{
    // A folder that does not open makes fsync fail, harmlessly.
    const FileDescriptor descriptor(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    ::fsync(descriptor.get());
}

// The target as it is now, or why it may not be replaced.
Result<FileStamp> replaceableStamp(const QString &target, const QByteArray &path)
{
    struct stat existing
    { };
    if (::stat(path.constData(), &existing) != 0) {
        if (errno == ENAMETOOLONG)
            return FileError { target, tooLongReason(QFile::decodeName(path)) };
        // A missing file is made; any other failure (a parent that is a file, a
        // folder that may not be searched) is the save's failure.
        if (errno != ENOENT)
            return FileError { target, qt_error_string(errno) };
        return FileStamp {};
    }
    if (!S_ISREG(existing.st_mode))
        return FileError { target, DescribeNonRegularFile(existing.st_mode) };
    // A rename would replace even a file that is write-protected, read-only
    // mounted or immutable; the user's protection counts, and a file without
    // any write bit is protected from root as well.
    if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return FileError { target, qt_error_string(EACCES) };
    if (::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0)
        return FileError { target, qt_error_string(errno) };
    if (existing.st_nlink > 1)
        return FileError { target,
            Text::tr("It is one file with %1 names (hard links): replacing it would give the new page to this name "
                     "only and leave the others with the old page. Save it under another name, or remove the other "
                     "links first.")
                .arg(existing.st_nlink) };
    return StampOf(QFile::decodeName(path));
}

QByteArray folderOf(const QByteArray &resolved)
{
    return resolved.first(resolved.lastIndexOf('/'));
}

Result<FileStamp> replaceRegularFile(const QString &target, const QByteArray &path,
    const std::function<bool(QIODevice &)> &write, const std::optional<FileStamp> &expected)
{
    struct stat existing
    { };
    const Result<FileStamp> start = replaceableStamp(target, path);
    if (!start.has_value())
        return start.error();
    const FileStamp before = expected.value_or(start.value());
    if (start.value() != before)
        return FileError { target, changedMeanwhileReason() };
    const bool exists = before.exists && ::stat(path.constData(), &existing) == 0;

    const QByteArray folder = folderOf(path);
    TemporaryFile temporary;
    // Until the target's mode is applied, nobody else may read the new content.
    if (const Result<void> created = temporary.create(target, folder, exists ? 0600 : 0666); !created)
        return created.error();

    QFile device;
    // Unbuffered: every write reaches the file at once and reports its own
    // failure, and a large page is not copied through a buffer.
    if (!device.open(temporary.handle(), QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        return FileError { target, device.errorString() };
    if (!write(device))
        return FileError { target, device.errorString() };

    if (exists) {
        if (const Result<void> kept = keepOwnerAndMode(target, temporary.handle(), existing); !kept)
            return kept.error();
    }
    if (::fsync(temporary.handle()) != 0)
        return FileError { target, qt_error_string(errno) };
    const FileStamp written = StampOfOpenFile(temporary.handle());
    if (const Result<void> closed = temporary.close(target); !closed)
        return closed.error();
    {
        // Another program may have written, linked or protected the target
        // while this one wrote: its work wins over a rename that would undo it.
        // Other saves by this program hold the same lock from their look to
        // their rename; what remains for other programs is a moment. A file
        // that cannot be opened for reading is not locked.
        const FileDescriptor lock(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        if (lock.get() != -1 && !lockExclusively(lock.get()))
            return FileError { target,
                Text::tr("Another program has kept the file locked for seconds; it was left as it is. Try again once "
                         "that program is done with it.") };
        if (StampOf(QFile::decodeName(path)) != before)
            return FileError { target, changedMeanwhileReason() };
        if (const Result<void> renamed = temporary.renameTo(target, path, before.exists); !renamed)
            return renamed.error();
    }
    syncFolder(folder);
    return written;
}

Result<void> checkReplaceable(const QString &target, const QByteArray &path)
{
    if (const Result<FileStamp> stamp = replaceableStamp(target, path); !stamp)
        return stamp.error();
    const QByteArray folder = folderOf(path);
    if (::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) != 0)
        return FileError { target, creationFailure(folder, errno) };
    return {};
}

#else

// The file that a write to target really changes: a rename would otherwise
// replace a symbolic link, or one that loops or dangles, with a regular file.
Result<QString> resolveLinks(const QString &target)
{
    constexpr int MaxLinkDepth = 40;
    QString path = target;
    for (int depth = 0; QFileInfo(path).isSymLink(); ++depth) {
        if (depth == MaxLinkDepth)
            return FileError { target, linkLoopReason() };
        path = QFileInfo(path).symLinkTarget();
    }
    return path;
}

Result<void> checkReplaceable(const QString &target, const QString &resolved)
{
    const QFileInfo info(resolved);
    if (info.exists() && !info.isFile())
        return FileError { target, DescribeNonRegularFile(info) };
    return {};
}

Result<FileStamp> replaceRegularFile(const QString &target, const QString &resolved,
    const std::function<bool(QIODevice &)> &write, const std::optional<FileStamp> &expected)
{
    if (expected && StampOf(resolved) != *expected)
        return FileError { target, Text::tr("Another program changed the file after it was read.") };
    if (const Result<void> allowed = checkReplaceable(target, resolved); !allowed)
        return allowed.error();

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

Result<FileStamp> ReplaceFile(
    const QString &target, const std::function<bool(QIODevice &)> &write, const std::optional<FileStamp> &expected)
{
    const auto resolved = resolveLinks(target);
    if (!resolved)
        return resolved.error();
    return replaceRegularFile(target, *resolved, write, expected);
}

Result<void> CheckReplaceable(const QString &target)
{
    const auto resolved = resolveLinks(target);
    if (!resolved)
        return resolved.error();
    return checkReplaceable(target, *resolved);
}

} // namespace metatags
