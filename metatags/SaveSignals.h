#pragma once

#include <QByteArray>

namespace metatags {

// Called first thing in main(), so that no signal ends a save half done: a
// write past a file size limit fails with "File too large" instead of killing
// the process, and SIGINT, SIGTERM or SIGHUP first remove the temporary file
// of every save in progress, then end the process as the signal would. A
// signal that the process was started with ignored stays ignored.
void PrepareProcessForSaves();

// Makes a temporary file's name known to those signal handlers for as long as
// the object lives. When every slot is taken the name is simply not known.
class TemporaryNameGuard
{
public:
    explicit TemporaryNameGuard(const QByteArray &name);
    ~TemporaryNameGuard();
    Q_DISABLE_COPY(TemporaryNameGuard)

private:
    int m_slot = -1;
};

} // namespace metatags
