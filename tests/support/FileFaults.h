#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include <signal.h>
#include <sys/resource.h>

// File-system faults made on purpose, for tests of code that reads and writes
// files: a full disk, a file size limit, special files, and a look at what a
// failed write left behind. POSIX only.
namespace testsupport {

// A tmpfs of the given size mounted at folder for as long as the object lives.
// Needs root with CAP_SYS_ADMIN; error() says why when it could not be mounted.
class TmpfsMount
{
public:
    TmpfsMount(const QString &folder, qint64 sizeBytes);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount &) = delete;
    TmpfsMount &operator=(const TmpfsMount &) = delete;

    bool isMounted() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    bool remountReadOnly();
    qint64 freeBytes() const;

private:
    QString m_folder;
    QString m_error;
};

// The folder bind-mounted read-only onto itself for as long as the object
// lives: what is in it stays, but nothing can be written there. Needs root.
class ReadOnlyBindMount
{
public:
    explicit ReadOnlyBindMount(const QString &folder);
    ~ReadOnlyBindMount();
    ReadOnlyBindMount(const ReadOnlyBindMount &) = delete;
    ReadOnlyBindMount &operator=(const ReadOnlyBindMount &) = delete;

    bool isMounted() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

private:
    QString m_folder;
    QString m_error;
    bool m_bound = false;
};

// The immutable attribute (chattr +i) on a file for as long as the object
// lives, so that a test folder can still be removed afterwards. Needs root and
// a file system that has the attribute.
class ImmutableFlag
{
public:
    explicit ImmutableFlag(const QString &path);
    ~ImmutableFlag();
    ImmutableFlag(const ImmutableFlag &) = delete;
    ImmutableFlag &operator=(const ImmutableFlag &) = delete;

    bool isSet() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

private:
    QString m_path;
    QString m_error;
};

// Limits the size of any file this process writes (RLIMIT_FSIZE), with SIGXFSZ
// ignored so that a write past the limit fails instead of killing the process.
// Both are restored when the object goes.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool isSet() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

private:
    QString m_error;
    rlimit m_oldLimit {};
    struct sigaction m_oldAction
    { };
};

// Ends the process with a message when it is still inside the guarded scope
// after the given time, so that a call that blocks fails instead of hanging.
class Watchdog
{
public:
    explicit Watchdog(unsigned seconds);
    ~Watchdog();
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

private:
    struct sigaction m_oldAction
    { };
};

bool WriteFile(const QString &path, const QByteArray &content);

// Each returns the reason when the file could not be made.
std::optional<QString> MakeFifo(const QString &path);
// A Unix-domain socket bound at path, left in place.
std::optional<QString> MakeSocket(const QString &path);
// A character device node like /dev/null; needs CAP_MKNOD.
std::optional<QString> MakeDeviceNode(const QString &path);

// What a path is, without following a final symbolic link, and the bytes of a
// regular file: enough to tell that a failed write changed nothing.
struct FileState
{
    bool exists = false;
    unsigned type = 0;
    unsigned permissions = 0;
    quint64 inode = 0;
    unsigned owner = 0;
    unsigned group = 0;
    QString linkTarget;
    QByteArray bytes;

    bool operator==(const FileState &) const = default;
};
FileState StateOf(const QString &path);
char *toString(const FileState &state);

// Every name in folder, hidden ones too, sorted: a temporary file left behind
// shows up as an extra name.
QStringList EntriesOf(const QString &folder);

// Runs job in a forked child without root's rights (root drops to the user
// nobody first), so that permission bits count; gives back what the job
// returned, or nothing when no such child could be run.
std::optional<QByteArray> RunAsNobody(const std::function<QByteArray()> &job);

// Runs job in a forked child as it is, for a job whose memory use is measured
// or that may not outlive its test.
std::optional<QByteArray> RunInChild(const std::function<QByteArray()> &job);

// The memory this process holds now, and the most it has held, in bytes.
qint64 ResidentBytes();
qint64 PeakResidentBytes();

} // namespace testsupport
