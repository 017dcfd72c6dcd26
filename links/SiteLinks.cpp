#include "SiteLinks.h"

#include "Browser.h"

#include <QUrl>

namespace links {

namespace {

QUrl SitePage(QLatin1String path)
{
    return QUrl(SiteRoot + path);
}

} // namespace

void OpenSubmitPage(Browser &browser, QWidget *owner)
{
    browser.open(owner, SitePage(QLatin1String("/submit/homepage.html")));
}

void OpenHints(Browser &browser, QWidget *owner)
{
    browser.open(owner, SitePage(QLatin1String("/quire/help.html")));
}

void OpenHomePage(Browser &browser, QWidget *owner)
{
    browser.open(owner, QUrl(SiteRoot));
}

} // namespace links
