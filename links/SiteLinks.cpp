#include "SiteLinks.h"

#include "Browser.h"

#include <QUrl>

#include <array>

namespace links {

void OpenSitePage(Browser &browser, QWidget *owner, SitePage page)
{
    constexpr std::array<QLatin1String, 3> paths
        = { QLatin1String(""), QLatin1String("/submit/homepage.html"), QLatin1String("/quire/help.html") };
    browser.open(owner, QUrl(SiteRoot + paths[static_cast<std::size_t>(page)]));
}

} // namespace links
