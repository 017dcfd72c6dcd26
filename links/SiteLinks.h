#pragma once

#include <QLatin1String>

class QWidget;

namespace links {

class Browser;

// The maker's web site: scheme and host, no trailing "/". Every page the
// program opens lies on it, so the host is named here and nowhere else.
inline constexpr QLatin1String SiteRoot("http://www.corvantis.example");

enum class SitePage { Home, Submit, Hints };

// The link commands: each hands the page's address to the browser for the
// window the click came from, and reads or changes nothing else.
void OpenSitePage(Browser &browser, QWidget *owner, SitePage page);

} // namespace links
