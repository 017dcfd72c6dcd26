#include "PageWorkspace.h"

#include <QDir>

namespace bench {

PageWorkspace::PageWorkspace()
    : m_folder(QDir::tempPath() + QStringLiteral("/tagwright-bench-XXXXXX"))
{ }

QString PageWorkspace::page(const PageSize &size) const
{
    return m_folder.filePath(QStringLiteral("page-%1.html").arg(QLatin1String(size.name)));
}

QString PageWorkspace::target(const char *what, const PageSize &size) const
{
    return m_folder.filePath(QStringLiteral("%1-%2.html").arg(QLatin1String(what), QLatin1String(size.name)));
}

} // namespace bench
