#include "AboutLauncher.h"

#include "AboutDialog.h"

namespace dialogs {

AboutLauncher::AboutLauncher(links::Browser &browser)
    : siteBrowser(browser)
{ }

AboutLauncher::~AboutLauncher()
{
    delete about.data();
}

AboutDialog *AboutLauncher::dialog() const
{
    return about.data();
}

void AboutLauncher::show()
{
    if (!about)
        about = new AboutDialog(siteBrowser);
    about->show();
    about->raise();
    about->activateWindow();
}

} // namespace dialogs
