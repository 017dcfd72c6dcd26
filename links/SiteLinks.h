#pragma once

#include <QLatin1String>

class QWidget;

namespace links {

class Browser;

// The maker's web site: scheme and host, no trailing "/". Every page the
// program opens lies on it, so the host is named here and nowhere else.
inline constexpr QLatin1String SiteRoot("http://www.corvantis.example");

// The link commands. Each hands one address to the browser for the window the
// click came from, and reads or changes nothing else.
void OpenSubmitPage(Browser &browser, QWidget *owner);
void OpenHints(Browser &browser, QWidget *owner);
void OpenHomePage(Browser &browser, QWidget *owner);

} // namespace links
