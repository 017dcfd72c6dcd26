#include "FileFaults.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

void timedOut(int)
{
    static const char message[] = "Watchdog: the test blocked and was ended.\n";
    [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, message, sizeof message - 1);
    ::_exit(3);
}

} // namespace

TmpfsMount::TmpfsMount(const QString &folder, qint64 sizeBytes)
    : m_folder(folder)
{
    const QByteArray options = "size=" + QByteArray::number(sizeBytes) + ",mode=0755";
    if (::mount("tmpfs", native(folder).constData(), "tmpfs", 0, options.constData()) != 0)
        m_error = QStringLiteral("cannot mount a tmpfs (needs root with CAP_SYS_ADMIN): ") + lastError();
}

TmpfsMount::~TmpfsMount()
{
    if (isMounted())
        ::umount2(native(m_folder).constData(), MNT_DETACH);
}

bool TmpfsMount::remountReadOnly()
{
    return ::mount("tmpfs", native(m_folder).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

qint64 TmpfsMount::freeBytes() const
{
    struct statvfs status
    { };
    if (::statvfs(native(m_folder).constData(), &status) != 0)
        return -1;
    return static_cast<qint64>(status.f_bavail * status.f_frsize);
}

ReadOnlyBindMount::ReadOnlyBindMount(const QString &folder)
    : m_folder(folder)
{
    const QByteArray path = native(folder);
    m_bound = ::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) == 0;
    if (!m_bound)
        m_error = QStringLiteral("cannot bind-mount a folder (needs root with CAP_SYS_ADMIN): ") + lastError();
    else if (::mount(nullptr, path.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        m_error = QStringLiteral("cannot remount a bind mount read-only: ") + lastError();
}

ReadOnlyBindMount::~ReadOnlyBindMount()
{
    if (m_bound)
        ::umount2(native(m_folder).constData(), MNT_DETACH);
}

namespace {

std::optional<QString> setImmutable(const QString &path, bool immutable)
{
    const int file = ::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0)
        return lastError();
    int flags = 0;
    bool done = ::ioctl(file, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(file, FS_IOC_SETFLAGS, &flags) == 0;
    }
    const std::optional<QString> error = done ? std::nullopt : std::optional<QString>(lastError());
    ::close(file);
    return error;
}

} // namespace

ImmutableFlag::ImmutableFlag(const QString &path)
    : m_path(path)
{
    if (const std::optional<QString> error = setImmutable(path, true))
        m_error = QStringLiteral("cannot make a file immutable (needs root and a file system with the attribute): ")
            + *error;
}

ImmutableFlag::~ImmutableFlag()
{
    if (isSet())
        setImmutable(m_path, false);
}

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    ::getrlimit(RLIMIT_FSIZE, &m_oldLimit);
    struct sigaction ignore
    { };
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &m_oldAction);
    rlimit limit = m_oldLimit;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        m_error = QStringLiteral("cannot set RLIMIT_FSIZE: ") + lastError();
}

FileSizeLimit::~FileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &m_oldLimit);
    ::sigaction(SIGXFSZ, &m_oldAction, nullptr);
}

Watchdog::Watchdog(unsigned seconds)
{
    struct sigaction onAlarm
    { };
    onAlarm.sa_handler = timedOut;
    ::sigaction(SIGALRM, &onAlarm, &m_oldAction);
    ::alarm(seconds);
}

Watchdog::~Watchdog()
{
    ::alarm(0);
    ::sigaction(SIGALRM, &m_oldAction, nullptr);
}

bool WriteFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

std::optional<QString> MakeFifo(const QString &path)
{
    if (::mkfifo(native(path).constData(), 0644) != 0)
        return lastError();
    return std::nullopt;
}

std::optional<QString> MakeSocket(const QString &path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = native(path);
    if (static_cast<std::size_t>(name.size()) >= sizeof address.sun_path)
        return QStringLiteral("the path is too long for a socket");
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (socket < 0)
        return lastError();
    const bool bound = ::bind(socket, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    const QString reason = bound ? QString() : lastError();
    ::close(socket);
    if (!bound)
        return reason;
    return std::nullopt;
}

std::optional<QString> MakeDeviceNode(const QString &path)
{
    // The null device: should a faulty write or read reach it, nothing happens.
    if (::mknod(native(path).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        return lastError();
    return std::nullopt;
}

FileState StateOf(const QString &path)
{
    struct stat status
    { };
    if (::lstat(native(path).constData(), &status) != 0)
        return {};
    FileState state { true, status.st_mode & S_IFMT, status.st_mode & 07777, status.st_ino, status.st_uid,
        status.st_gid, {}, {} };
    if (S_ISLNK(status.st_mode)) {
        state.linkTarget = QFile::symLinkTarget(path);
    } else if (S_ISREG(status.st_mode)) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            state.bytes = file.readAll();
    }
    return state;
}

char *toString(const FileState &state)
{
    if (!state.exists)
        return qstrdup("no file");
    const QByteArray text = QStringLiteral("type %1, mode %2, inode %3, owner %6:%7, link '%4', %5 bytes")
                                .arg(state.type, 0, 8)
                                .arg(state.permissions, 0, 8)
                                .arg(state.inode)
                                .arg(state.linkTarget)
                                .arg(state.bytes.size())
                                .arg(state.owner)
                                .arg(state.group)
                                .toUtf8();
    return qstrdup(text.constData());
}

QStringList EntriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

namespace {

std::optional<QByteArray> runForked(const std::function<QByteArray()> &job, bool asNobody)
{
    constexpr uid_t Nobody = 65534;
    int channel[2];
    if (::pipe(channel) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (asNobody && ::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
            ::_exit(1);
        const QByteArray result = job();
        const bool sent = ::write(channel[1], result.constData(), static_cast<size_t>(result.size())) == result.size();
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray result;
    char chunk[4096];
    for (ssize_t got; child > 0 && (got = ::read(channel[0], chunk, sizeof chunk)) != 0;) {
        if (got > 0)
            result.append(chunk, got);
        else if (errno != EINTR)
            break;
    }
    ::close(channel[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return result;
}

} // namespace

std::optional<QByteArray> RunAsNobody(const std::function<QByteArray()> &job)
{
    return runForked(job, true);
}

std::optional<QByteArray> RunInChild(const std::function<QByteArray()> &job)
{
    return runForked(job, false);
}

qint64 ResidentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> pages = statm.readAll().split(' ');
    return pages.size() > 1 ? pages[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : -1;
}

qint64 PeakResidentBytes()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<qint64>(usage.ru_maxrss) * 1024;
}

} // namespace testsupport
