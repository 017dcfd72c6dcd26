#pragma once

#include "PageEdit.h"
#include "SheetReader.h"

#include <QString>
#include <QStringList>

class QIODevice;

namespace cli {

// Where a command writes: results to out, messages and the progress bar to err.
struct Console
{
    QIODevice &out;
    QIODevice &err;
    bool errIsTerminal;
};

// The exit status of the program.
enum ExitStatus : int {
    Success = 0,
    PageFailed = 1, // one or more pages could not be read or written
    UsageError = 2, // a wrong command line or a sheet that cannot be read at all
};

enum class ShowFormat { Sheet, JsonLines };

int RunShow(const QStringList &files, ShowFormat format, Console &console);

struct ApplyOptions
{
    bool dryRun;
    QString outputFolder; // empty: the pages are rewritten in place
    bool wholePage; // write pages without a title tag whole behind the preamble
};

// sheetName names the sheet in messages, such as "site.tsv:12: ...". Every row
// is checked against the others before any page is written: a page listed
// twice (by any name) and, with an output folder, two rows writing one file
// or a row writing over a page of the sheet are refused.
int RunApply(const QString &sheetName, const Sheet &sheet, const ApplyOptions &options, Console &console);

int RunSet(const PageEdit &edit, const EditOptions &options, Console &console);

} // namespace cli
