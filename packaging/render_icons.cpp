// Renders the program's icon as PNG files (and a Windows .ico) from the same
// drawing the windows use, so that installed icons and window icons agree.
#include "ProgramIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPixmap>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Runs during the build, where there may be no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: render_icons OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(args.at(1));
    for (const int size : { 16, 22, 24, 32, 48, 64, 128, 256 }) {
        const QString path = out.filePath(QStringLiteral("tagwright-%1.png").arg(size));
        if (!dialogs::ProgramPicture(size).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    QImageWriter ico(out.filePath(QStringLiteral("tagwright.ico")), "ico");
    if (!ico.write(dialogs::ProgramPicture(256).toImage().scaled(256, 256)))
        std::fprintf(stderr, "no .ico written: %s\n", qPrintable(ico.errorString()));
    return 0;
}
