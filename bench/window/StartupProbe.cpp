// Starts up the way the editor does and ends as soon as its first window has
// been painted. "editor" builds the main window with the production seams;
// "bare WIDTH HEIGHT" a plain QWidget of that size, as the baseline.

#include <DesktopBrowser.h>
#include <DesktopFileDialog.h>
#include <MainWindow.h>
#include <MessageBoxPrompts.h>

#include <QApplication>
#include <QEvent>
#include <QLabel>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            QCoreApplication::exit(0);
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    app::DesktopFileDialog fileDialog;
    app::MessageBoxPrompts prompts;
    links::DesktopBrowser browser;
    std::unique_ptr<QWidget> window;
    if (argc == 2 && std::strcmp(argv[1], "editor") == 0) {
        window = std::make_unique<app::MainWindow>(fileDialog, prompts, browser);
    } else if (argc == 4 && (std::strcmp(argv[1], "bare") == 0 || std::strcmp(argv[1], "text") == 0)) {
        window = std::make_unique<QWidget>();
        window->setFixedSize(std::atoi(argv[2]), std::atoi(argv[3]));
        if (std::strcmp(argv[1], "text") == 0)
            new QLabel(QStringLiteral("TAGWRIGHT 2.0 Beta"), window.get());
    } else {
        return 2;
    }

    FirstPaint firstPaint;
    window->installEventFilter(&firstPaint);
    window->show();
    return application.exec();
}
