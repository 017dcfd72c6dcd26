#pragma once

#include "PageEdit.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

class QIODevice;

namespace cli {

// Where a command writes: results to out, messages and the progress bar to err.
struct Console
{
    QIODevice &out;
    QIODevice &err;
    bool errIsTerminal = false;
};

// The exit status of the program.
enum ExitStatus : int {
    Success = 0,
    PageFailed = 1, // one or more pages could not be read or written; the others were
    UsageError = 2, // a wrong command line or a sheet that cannot be read at all
};

enum class ShowFormat { Sheet, JsonLines };

int RunShow(const QStringList &files, ShowFormat format, Console &console);

struct ApplyOptions
{
    bool dryRun = false;
    QString outputFolder; // empty: the pages are rewritten in place
};

// sheetName names the sheet in messages, such as "site.tsv:12: ...".
int RunApply(const QString &sheetName, QByteArrayView sheet, const ApplyOptions &options, Console &console);

int RunSet(const PageEdit &edit, bool dryRun, Console &console);

} // namespace cli
