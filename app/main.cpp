#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("TAGWRIGHT 2.0 Beta"));
    window.show();
    return app.exec();
}
