#include "FileFaults.h"

#include <QtCore>

#include <cstdlib>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

bool WriteFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Shell(const QString &folder, const QString &script)
{
    // ':' so that an empty script is a script too.
    const QString command = QStringLiteral("cd '%1' && (:; %2) >/dev/null 2>&1").arg(folder, script);
    return std::system(QFile::encodeName(command).constData()) == 0;
}

QStringList Snapshot(const QString &folder)
{
    QStringList lines;
    QDirIterator entries(
        folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString path = entries.next();
        struct stat status = {};
        ::lstat(QFile::encodeName(path).constData(), &status);
        const QByteArray bytes = S_ISREG(status.st_mode) ? ReadFile(path) : "";
        lines << QStringLiteral("%1 %2 %3:%4 %5 %6")
                     .arg(path.mid(folder.size() + 1))
                     .arg(status.st_mode, 0, 8)
                     .arg(status.st_uid)
                     .arg(status.st_gid)
                     .arg(QFile::symLinkTarget(path))
                     .arg(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
    }
    lines.sort();
    return lines;
}

QByteArray RunInChild(const std::function<QByteArray()> &job, bool asNobody, gid_t group)
{
    constexpr uid_t Nobody = 65534;
    int channel[2];
    if (::pipe(channel) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        ::alarm(60);
        if (asNobody && ::geteuid() == 0
            && (::setgroups(1, &group) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
            ::_exit(1);
        const QByteArray result = job();
        ::_exit(::write(channel[1], result.constData(), static_cast<size_t>(result.size())) == result.size() ? 0 : 1);
    }
    ::close(channel[1]);
    QFile pipe;
    const QByteArray result = pipe.open(channel[0], QIODevice::ReadOnly, QFile::AutoCloseHandle) ? pipe.readAll() : "";
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return "no child";
    if (WIFSIGNALED(status))
        return "signal " + QByteArray::number(WTERMSIG(status));
    return WEXITSTATUS(status) == 0 ? result : "child failed";
}

} // namespace testsupport
