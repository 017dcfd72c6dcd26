#include "BatchCommands.h"

#include "OutputPath.h"
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

// Writes one page of a batch, or tells what it would write. Returns the error.
std::optional<QString> runEdit(const PageEdit &edit, bool dryRun, bool makeFolder, QIODevice &out)
{
    if (dryRun) {
        const metatags::Result<QStringList> description = DescribeEdit(edit);
        if (!description.ok())
            return describe(description.error());
        writeLines(out, description.value());
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

    const qsizetype rows = static_cast<qsizetype>(sheet.rows.size());
    ProgressBar progress(console.err, rows, ProgressBar::WantedFor(console.errIsTerminal, rows));
    QHash<QString, int> lineOfPage;
    int failures = 0;
    for (const SheetRow &row : sheet.rows) {
        std::optional<QString> error;
        const QString page = QFileInfo(row.path).absoluteFilePath();
        if (!row.error.isEmpty()) {
            error = row.error;
        } else if (lineOfPage.contains(page)) {
            // A second row would undo the first, or find the page already rewritten.
            error = tr("%1: the page is already listed on line %2.")
                        .arg(QDir::toNativeSeparators(row.path))
                        .arg(lineOfPage.value(page));
        } else {
            lineOfPage.insert(page, row.line);
            const bool elsewhere = !options.outputFolder.isEmpty();
            const QString target = elsewhere ? OutputPathUnder(options.outputFolder, row.path) : row.path;
            error = runEdit({ row.path, target, row.values }, options.dryRun, elsewhere, console.out);
        }
        if (error) {
            progress.message(QStringLiteral("%1:%2: %3").arg(sheetName).arg(row.line).arg(*error).toUtf8());
            ++failures;
        }
        progress.advance();
    }
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
    if (const std::optional<QString> error = runEdit(edit, dryRun, false, console.out)) {
        console.err.write(error->toUtf8().append('\n'));
        return PageFailed;
    }
    return Success;
}

} // namespace cli
