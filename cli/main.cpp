#include "CommandLine.h"

#include <SaveSignals.h>

#include <QByteArrayList>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <cstdio>
#include <memory>
#include <new>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// audit measures text in a font file, which Qt reads only through its GUI
// platform: that command alone gets a QGuiApplication, always on the offscreen
// platform, so that it needs no display. The other commands keep the lighter
// core application. The GUI application is given the platform as arguments
// of its own, so it can never take one of ours for one of its options.
std::unique_ptr<QCoreApplication> makeApplication(int &argc, char *argv[], int &guiArgc, char **guiArgv)
{
    if (QByteArrayList(argv, argv + argc).value(1) != "audit")
        return std::make_unique<QCoreApplication>(argc, argv);
    // Starting the platform warns about a missing XDG_RUNTIME_DIR, which
    // means nothing for a platform without windows.
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    auto application = std::make_unique<QGuiApplication>(guiArgc, guiArgv);
    QLoggingCategory::setFilterRules(QString());
    return application;
}

// The arguments as QCoreApplication would give them.
QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace

int main(int argc, char *argv[])
{
    // Before anything else, so that no signal can end a save half done.
    metatags::PrepareProcessForSaves();
    char platformOption[] = "-platform";
    char offscreen[] = "offscreen";
    char *guiArgv[] = { argv[0], platformOption, offscreen, nullptr };
    int guiArgc = 3;
    const std::unique_ptr<QCoreApplication> application = makeApplication(argc, argv, guiArgc, guiArgv);
    QCoreApplication::setApplicationVersion(QStringLiteral(TAGWRIGHT_VERSION));

    QFile out;
    QFile err;
    QFile in;
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    in.open(stdin, QIODevice::ReadOnly);
#ifdef Q_OS_UNIX
    const bool errIsTerminal = ::isatty(STDERR_FILENO) == 1;
#else
    const bool errIsTerminal = false;
#endif

    cli::Console console { out, err, errIsTerminal };
    int status = cli::UsageError;
    try {
        status = cli::RunCommandLine(argumentsOf(argc, argv), console, in);
    } catch (const std::bad_alloc &) {
        // Each page catches its own; this is the run's bookkeeping running out.
        err.write("tagwright-batch: there is not enough memory for the run\n");
    }
    // Output that never arrived (a full disk, a closed pipe) is a failure.
    if (!out.flush() || out.error() != QFileDevice::NoError) {
        err.write(QStringLiteral("tagwright-batch: %1\n").arg(out.errorString()).toUtf8());
        status = std::max(status, int { cli::PageFailed });
    }
    return status;
}
