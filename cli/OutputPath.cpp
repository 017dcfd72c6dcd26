#include "OutputPath.h"

#include <QDir>
#include <QFileInfo>

namespace cli {

QString OutputPathUnder(const QString &folder, const QString &page)
{
    QString relative = QDir::cleanPath(QDir::fromNativeSeparators(page));
    if (QDir::isAbsolutePath(relative) || (relative + QLatin1Char('/')).startsWith(QLatin1String("../"))) {
        const QString absolute = QDir::cleanPath(QFileInfo(page).absoluteFilePath());
        // "C:/x" becomes "C/x": a drive letter is a folder name under folder. The
        // slash that leads an absolute path is folded into the one joining it.
        relative = absolute.indexOf(QLatin1Char(':')) == 1 ? absolute.first(1) + absolute.sliced(2) : absolute;
    }
    return QDir::cleanPath(folder + QLatin1Char('/') + relative);
}

} // namespace cli
