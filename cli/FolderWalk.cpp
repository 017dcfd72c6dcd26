#include "FolderWalk.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace cli {

QStringList PageFilesIn(const QString &folder)
{
    QStringList files;
    QDirIterator walk(
        folder, { QStringLiteral("*.html"), QStringLiteral("*.htm") }, QDir::Files, QDirIterator::Subdirectories);
    while (walk.hasNext())
        files.append(QDir::cleanPath(walk.next()));
    std::sort(files.begin(), files.end());
    return files;
}

QStringList PagesToRead(const QStringList &paths, bool recursive)
{
    if (!recursive)
        return paths;
    QStringList files;
    for (const QString &path : paths) {
        if (QFileInfo(path).isDir())
            files.append(PageFilesIn(path));
        else
            files.append(path);
    }
    return files;
}

} // namespace cli
