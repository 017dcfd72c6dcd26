#include "DesktopFileDialog.h"
#include "MainWindow.h"
#include "MessageBoxPrompts.h"

#include <DesktopBrowser.h>
#include <SaveSignals.h>

#include <QApplication>

int main(int argc, char *argv[])
{
    // Before anything else, so that no signal can end a save half done.
    metatags::PrepareProcessForSaves();
    QApplication application(argc, argv);
    app::DesktopFileDialog fileDialog;
    app::MessageBoxPrompts prompts;
    links::DesktopBrowser browser;
    app::MainWindow window(fileDialog, prompts, browser);
    window.show();
    return application.exec();
}
