#include "OutputPath.h"

#include <QDir>
#include <QFileInfo>

namespace cli {

QString OutputPathUnder(const QString &folder, const QString &page)
{
    QString relative = QDir::cleanPath(QDir::fromNativeSeparators(page));
    if (QDir::isAbsolutePath(relative) || relative == QLatin1String("..")
        || relative.startsWith(QLatin1String("../"))) {
        relative = QDir::cleanPath(QFileInfo(page).absoluteFilePath());
        // "C:/x" becomes "C/x": a drive letter is a folder name under folder.
        if (relative.size() > 1 && relative.at(1) == QLatin1Char(':'))
            relative.remove(1, 1);
        while (relative.startsWith(QLatin1Char('/')))
            relative.remove(0, 1);
    }
    return QDir::cleanPath(folder + QLatin1Char('/') + relative);
}

} // namespace cli
