#include "BatchCommands.h"

#include "OutputPath.h"
#include "ParallelJobs.h"
#include "ProgressBar.h"
#include "SheetFormat.h"
#include "SheetReader.h"
#include "ShownPage.h"

#include <LoadPage.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>

namespace cli {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("BatchCommands", text);
}

QString describe(const metatags::FileError &error)
{
    return QDir::toNativeSeparators(error.path) + QStringLiteral(": ") + error.reason;
}

void writeLines(QIODevice &out, const QStringList &lines)
{
    for (const QString &line : lines)
        out.write(line.toUtf8().append('\n'));
}

// Pages saved at once: the disk takes several syncs together, and a sheet of
// small pages goes several times faster than one page after the other.
constexpr std::size_t Workers = 8;
// The page bytes held at once, so that a sheet of large pages does not hold
// eight of them.
constexpr long long PagesInMemory = 512LL * 1024 * 1024;

// Writes one page of a batch, or tells in description what it would write.
// Returns the error.
std::optional<QString> runEdit(const PageEdit &edit, bool dryRun, bool makeFolder, QStringList &description)
{
    if (dryRun) {
        metatags::Result<QStringList> described = DescribeEdit(edit);
        if (!described.ok())
            return describe(described.error());
        description = std::move(described).value();
        return std::nullopt;
    }
    // A folder that cannot be made shows up as the save's own error.
    if (makeFolder)
        QDir().mkpath(QFileInfo(edit.target).path());
    if (const std::optional<metatags::FileError> error = ApplyEdit(edit))
        return describe(*error);
    return std::nullopt;
}

} // namespace

int RunShow(const QStringList &files, ShowFormat format, Console &console)
{
    ProgressBar progress(console.err, files.size(), ProgressBar::WantedFor(console.errIsTerminal, files.size()));
    if (format == ShowFormat::Sheet)
        console.out.write(SheetHeader());
    bool failed = false;
    for (const QString &path : files) {
        const metatags::Result<QByteArray> page = metatags::LoadPage(path);
        if (page.ok()) {
            const ShownPage shown = ShowPage(path, page.value());
            console.out.write(format == ShowFormat::Sheet ? SheetLine(shown) : JsonLine(shown));
        } else {
            progress.message(describe(page.error()).toUtf8());
            failed = true;
        }
        progress.advance();
    }
    return failed ? PageFailed : Success;
}

int RunApply(const QString &sheetName, QByteArrayView sheetBytes, const ApplyOptions &options, Console &console)
{
    const Sheet sheet = ReadSheet(sheetBytes);
    if (!sheet.error.isEmpty()) {
        console.err.write((sheetName + QStringLiteral(": ") + sheet.error + QLatin1Char('\n')).toUtf8());
        return UsageError;
    }

    // Every row is checked before any page is written, so that a page listed
    // twice is refused however the writing is spread over threads.
    const std::size_t rows = sheet.rows.size();
    const bool elsewhere = !options.outputFolder.isEmpty();
    std::vector<std::optional<QString>> errors(rows);
    std::vector<PageEdit> edits(rows);
    QHash<QString, int> lineOfPage;
    for (std::size_t i = 0; i < rows; ++i) {
        const SheetRow &row = sheet.rows[i];
        const QString page = QFileInfo(row.path).absoluteFilePath();
        if (!row.error.isEmpty()) {
            errors[i] = row.error;
        } else if (lineOfPage.contains(page)) {
            // A second row would undo the first, or find the page already rewritten.
            errors[i] = tr("%1: the page is already listed on line %2.")
                            .arg(QDir::toNativeSeparators(row.path))
                            .arg(lineOfPage.value(page));
        } else {
            lineOfPage.insert(page, row.line);
            const QString target = elsewhere ? OutputPathUnder(options.outputFolder, row.path) : row.path;
            edits[i] = { row.path, target, row.values };
        }
    }

    ProgressBar progress(console.err, static_cast<qsizetype>(rows),
        ProgressBar::WantedFor(console.errIsTerminal, static_cast<qsizetype>(rows)));
    MemoryBudget budget(PagesInMemory);
    std::vector<QStringList> descriptions(rows);
    int failures = 0;
    RunInOrder(
        rows, Workers,
        [&](std::size_t i) {
            if (errors[i])
                return;
            const long long size = QFileInfo(edits[i].source).size();
            budget.acquire(size);
            errors[i] = runEdit(edits[i], options.dryRun, elsewhere, descriptions[i]);
            budget.release(size);
        },
        [&](std::size_t i) {
            writeLines(console.out, descriptions[i]);
            if (errors[i]) {
                progress.message(
                    QStringLiteral("%1:%2: %3").arg(sheetName).arg(sheet.rows[i].line).arg(*errors[i]).toUtf8());
                ++failures;
            }
            progress.advance();
        });
    progress.finish();
    if (failures > 0) {
        console.err.write(tr("%1 of %2 rows failed; the others were %3.\n")
                              .arg(failures)
                              .arg(rows)
                              .arg(options.dryRun ? tr("checked") : tr("written"))
                              .toUtf8());
    }
    return failures > 0 ? PageFailed : Success;
}

int RunSet(const PageEdit &edit, bool dryRun, Console &console)
{
    QStringList description;
    const std::optional<QString> error = runEdit(edit, dryRun, false, description);
    writeLines(console.out, description);
    if (error) {
        console.err.write(error->toUtf8().append('\n'));
        return PageFailed;
    }
    return Success;
}

} // namespace cli
