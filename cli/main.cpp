#include "CommandLine.h"

#include <SaveSignals.h>

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

int main(int argc, char *argv[])
{
    // Before anything else, so that no signal can end a save half done.
    metatags::PrepareProcessForSaves();
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tagwright-batch"));
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
    int status = cli::RunCommandLine(QCoreApplication::arguments(), console, in);
    // Output that never arrived (a full disk, a closed pipe) is a failure.
    if (!out.flush() || out.error() != QFileDevice::NoError) {
        err.write(QStringLiteral("tagwright-batch: %1\n").arg(out.errorString()).toUtf8());
        status = std::max(status, int { cli::PageFailed });
    }
    return status;
}
