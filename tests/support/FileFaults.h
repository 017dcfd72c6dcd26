#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <sys/types.h>

// Helpers for tests of code that reads and writes files. POSIX only.
namespace testsupport {

bool WriteFile(const QString &path, const QByteArray &content);
// The file's bytes, or none when it cannot be read.
QByteArray ReadFile(const QString &path);

// Runs a shell script in folder (links, mounts, another program's change...);
// whether it ended well.
bool Shell(const QString &folder, const QString &script);

// Every entry below folder, links not followed, one line each, sorted: its
// path, type and mode, owner, link target and a hash of its bytes. Enough to
// tell that a failed write changed nothing and left nothing behind.
QStringList Snapshot(const QString &folder);

// Runs job in a forked child, as the user nobody when asked and this process
// is root (so that permission bits count), a member of group besides its own,
// and gives back what job returned,
// or "signal N" when a signal ended the child. A child that hangs for a
// minute is ended by SIGALRM.
QByteArray RunInChild(const std::function<QByteArray()> &job, bool asNobody = false, gid_t group = 65534);

} // namespace testsupport
