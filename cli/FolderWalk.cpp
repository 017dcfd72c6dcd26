#include "FolderWalk.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace cli {

QStringList PagesToRead(const QStringList &paths, bool recursive)
{
    if (!recursive)
        return paths;
    QStringList files;
    for (const QString &path : paths) {
        if (!QFileInfo(path).isDir()) {
            files.append(path);
            continue;
        }
        QStringList inFolder;
        QDirIterator walk(
            path, { QStringLiteral("*.html"), QStringLiteral("*.htm") }, QDir::Files, QDirIterator::Subdirectories);
        while (walk.hasNext())
            inFolder.append(QDir::cleanPath(walk.next()));
        std::sort(inFolder.begin(), inFolder.end());
        files.append(inFolder);
    }
    return files;
}

} // namespace cli
