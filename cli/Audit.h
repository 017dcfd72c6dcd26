#pragma once

#include "AuditFindings.h"
#include "BatchCommands.h"

#include <QStringList>

namespace cli {

struct AuditOptions
{
    bool recursive = false; // folders are walked for pages
    ShowFormat format = ShowFormat::Sheet;
    AuditLimits limits;
    FindingSet ignored; // left out of the report and the exit status
    FindingSet failOn = FindingSet().set(); // the findings that make the exit status 1
};

// The pages to check for the paths given: a file as it is; with recursive, a
// folder's *.html and *.htm files (any case) in its subfolders too, in a
// stable order. A folder without recursive is refused with a message.
struct AuditFiles
{
    QStringList files;
    QStringList problems; // "PATH: why", one per path refused
};
AuditFiles AuditPageFiles(const QStringList &paths, bool recursive);

// Reads every page as the editor's Open button does and prints one row per
// finding: path, field, finding, detail. A summary goes to standard error.
// Exit status: 0 no finding that counts, 1 findings (or a page that cannot be
// read), 2 for a folder given without recursive or a font for pixel widths
// that cannot be loaded.
int RunAudit(const QStringList &paths, const AuditOptions &options, Console &console);

} // namespace cli
