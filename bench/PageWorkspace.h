#pragma once

#include <QString>
#include <QTemporaryDir>

namespace bench {

struct PageSize
{
    const char *name;
    qint64 bytes;
    // Fixed iteration counts keep the large sizes to a few seconds each; zero
    // lets the library choose.
    int iterations;
    int diskIterations; // for the ones that wait for the disk
};

// The generated pages and the files the benchmarks write, in one temporary
// folder. Each written file is replaced by the next iteration; the folder goes
// with this object.
class PageWorkspace
{
public:
    PageWorkspace();
    bool isValid() const { return m_folder.isValid(); }
    QString page(const PageSize &size) const;
    QString target(const char *what, const PageSize &size) const;

private:
    QTemporaryDir m_folder;
};

} // namespace bench
