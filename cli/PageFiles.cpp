#include "PageFiles.h"

#include <QDir>
#include <QDirIterator>

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

} // namespace cli
