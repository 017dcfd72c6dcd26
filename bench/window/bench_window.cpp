// The main window against its baselines, each pair measured in turns within
// one run so that both see the same machine: start-up to the first painted
// window beside a bare window of the same size and one that paints a line of
// text in the same font, and open-then-save of a 256 MiB page through the
// window's commands beside the page operations alone. Run by hand. Each
// start-up runs this program again as "--probe KIND", which ends as soon as
// its first window has been painted.

#include "../OpenThenSave.h"
#include "../Paired.h"

#include <CaptionFont.h>
#include <DesktopBrowser.h>
#include <DesktopFileDialog.h>
#include <FileDialog.h>
#include <MainWindow.h>
#include <MessageBoxPrompts.h>
#include <UserPrompts.h>

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

namespace {

constexpr qint64 PageSize = qint64(256) * 1024 * 1024;

// Seams that answer at once: the open dialog picks one file, the save dialog
// another, and every question is answered Yes.
class FixedFileDialog : public app::FileDialog
{
public:
    std::optional<QString> choose(QWidget *, Purpose purpose, const QString &) override
    {
        return purpose == Purpose::Open ? openPath : savePath;
    }

    QString openPath;
    QString savePath;
};

class YesPrompts : public app::UserPrompts
{
public:
    Answer askYesNoCancel(QWidget *, const QString &, const QString &) override { return Answer::Yes; }
    Answer askYesNo(QWidget *, const QString &, const QString &) override { return Answer::Yes; }
    void showError(QWidget *, const QString &, const QString &) override { ++errors; }

    int errors = 0;
};

bool writeLargePage(const QString &path)
{
    QByteArray page = "<html><head>\r\n<meta name=\"Title\" content=\"Big page\">\r\n"
                      "<meta name=\"Description\" content=\"A page of many paragraphs\">\r\n"
                      "<meta name=\"KeyWords\" content=\"big, page\">\r\n<title>Big</title></head><body>\r\n";
    const QByteArray line = "<p>The quick brown fox jumps over the lazy dog, again and again.</p>\r\n";
    const QByteArray tail = "</body></html>\r\n";
    page.reserve(PageSize);
    while (page.size() + line.size() + tail.size() <= PageSize)
        page += line;
    page += QByteArray(PageSize - page.size() - tail.size(), ' ') + tail;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(page) == PageSize;
}

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

// Starts up the way the editor does, with its production seams: "editor" the
// main window, "bare" a plain window of the editor's size, "text" one that
// also shows a line of text in the editor's font.
int probe(const QString &kind, const QSize &size)
{
    app::DesktopFileDialog fileDialog;
    app::MessageBoxPrompts prompts;
    links::DesktopBrowser browser;
    std::unique_ptr<QWidget> window;
    if (kind == QLatin1String("editor")) {
        window = std::make_unique<app::MainWindow>(fileDialog, prompts, browser);
    } else {
        window = std::make_unique<QWidget>();
        window->setFixedSize(size);
        if (kind == QLatin1String("text")) {
            auto *line = new QLabel(QStringLiteral("TAGWRIGHT 2.0 Beta"), window.get());
            line->setFont(app::CaptionFont(line));
        }
    }
    FirstPaint firstPaint;
    window->installEventFilter(&firstPaint);
    window->show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc == 5 && QByteArrayView(argv[1]) == "--probe")
        return probe(QString::fromLatin1(argv[2]), QSize(std::atoi(argv[3]), std::atoi(argv[4])));
    benchmark::Initialize(&argc, argv);

    const QTemporaryDir folder;
    const QString page = folder.filePath(QStringLiteral("page.html"));
    FixedFileDialog fileDialog;
    fileDialog.openPath = page;
    fileDialog.savePath = folder.filePath(QStringLiteral("by-window.html"));
    YesPrompts prompts;
    links::DesktopBrowser browser; // never asked to open anything
    app::MainWindow window(fileDialog, prompts, browser);
    if (!writeLargePage(page))
        return 1;

    // The baselines get the editor's outer size, menu bar included. The bare
    // window shows no text and so never starts the font system, which any
    // window with a caption needs; the other shows one line of text, to tell
    // that share apart.
    const QStringList size { QString::number(window.width()), QString::number(window.height()) };
    const auto run = [&size](const char *kind) {
        const QStringList arguments = QStringList { QStringLiteral("--probe"), QLatin1String(kind) } + size;
        return [arguments] { return QProcess::execute(QCoreApplication::applicationFilePath(), arguments) == 0; };
    };
    bench::AddPaired(
        "StartupToFirstWindow", 40, run("editor"), { { "bare", run("bare") }, { "one_line", run("text") } });

    auto *open = window.findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *saveAs = window.findChild<QPushButton *>(QStringLiteral("Command2"));
    const QString byOperations = folder.filePath(QStringLiteral("by-operations.html"));
    bench::AddPaired("OpenThenSave/256MiB/window", 10,
        [&] {
            open->click();
            saveAs->click();
            return prompts.errors == 0;
        },
        { { "page_operations", [&] { return bench::OpenThenSave(page, byOperations); } } });
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
