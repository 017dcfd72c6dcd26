#include "DesktopFileDialog.h"
#include "MainWindow.h"
#include "MessageBoxPrompts.h"

#include <DesktopBrowser.h>

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    app::DesktopFileDialog fileDialog;
    app::MessageBoxPrompts prompts;
    links::DesktopBrowser browser;
    app::MainWindow window(fileDialog, prompts, browser);
    window.show();
    return application.exec();
}
