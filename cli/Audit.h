#pragma once

#include "AuditFindings.h"
#include "BatchCommands.h"

#include <QStringList>

namespace cli {

struct AuditOptions
{
    bool recursive; // folders are walked for pages
    ShowFormat format = ShowFormat::Sheet;
    AuditLimits limits;
    FindingSet ignored; // left out of the report and the exit status
    FindingSet failOn = FindingSet().set(); // the findings that make the exit status 1
};

// Reads every page as the editor's Open button does and prints one row per
// finding: path, field, finding, detail. A summary goes to standard error.
// Exit status: 0 no finding that counts, 1 findings (or a page that cannot be
// read), 2 when the font for pixel widths cannot be loaded.
int RunAudit(const QStringList &paths, const AuditOptions &options, Console &console);

} // namespace cli
