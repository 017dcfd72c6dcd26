#include "BatchCommands.h"

#include "Message.h"
#include "OutputPath.h"
#include "ParallelJobs.h"
#include "ProgressBar.h"
#include "SheetFormat.h"
#include "ShownPage.h"

#include <FileStamp.h>
#include <LoadPage.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>
#include <QScopeGuard>

#include <new>
#include <utility>

namespace cli {

namespace {

// The context the messages are translated in.
struct Text
{
    Q_DECLARE_TR_FUNCTIONS(BatchCommands)
};

// Why a row failed, and the file it concerns when it names one.
struct RowError
{
    QString path;
    QString reason;

    // "PATH: reason", or the reason alone.
    QString text() const
    {
        return path.isEmpty() ? reason : Printable(QDir::toNativeSeparators(path)) + QStringLiteral(": ") + reason;
    }
};

void writeLines(QIODevice &out, const QStringList &lines)
{
    for (const QString &line : lines)
        out.write(line.toUtf8().append('\n'));
}

// Pages saved at once: the disk takes several syncs together, and a sheet of
// small pages goes several times faster than one page after the other.
constexpr std::size_t MostSavesAtOnce = 8;
// The page bytes held at once, so that a sheet of large pages does not hold
// eight of them.
constexpr long long PagesInMemory = 512LL * 1024 * 1024;

// What names one file however it is reached: its device and inode once links
// are followed, or, for a file that does not exist yet, its absolute path.
struct FileKey
{
    bool exists;
    quint64 device;
    quint64 inode;
    QString path;

    bool operator==(const FileKey &) const = default;
};

size_t qHash(const FileKey &key, size_t seed = 0)
{
    return key.exists ? qHashMulti(seed, key.device, key.inode) : qHash(key.path, seed);
}

FileKey fileKey(const QString &path, const metatags::FileStamp &stamp)
{
    if (stamp.exists)
        return { true, stamp.device, stamp.inode, {} };
    return { false, 0, 0, QDir::cleanPath(QFileInfo(path).absoluteFilePath()) };
}

struct Tally
{
    qint64 changed = 0;
    qint64 unchanged = 0;
    qint64 failed = 0;
};

QByteArray summary(const QString &name, const Tally &tally, bool dryRun)
{
    const QString text = dryRun ? Text::tr("%1 would change, %2 unchanged, %3 would fail")
                                : Text::tr("%1 written, %2 unchanged, %3 failed");
    return Message(name, 0, text.arg(Count(tally.changed), Count(tally.unchanged), Count(tally.failed)));
}

// Why each row may not be written, found before any is: a page listed twice,
// and with an output folder, two rows writing one file or a row writing over a
// page that the sheet lists (which -o promises to leave alone).
std::vector<std::optional<RowError>> refusedRows(
    const Sheet &sheet, const std::vector<PageEdit> &edits, bool elsewhere, std::vector<qint64> &sizes)
{
    const std::size_t rows = sheet.rows.size();
    std::vector<std::optional<RowError>> errors(rows);
    std::vector<FileKey> sourceKeys(rows);
    // A file system call each, spread over the threads, as the pages are later.
    RunAll(rows, [&](std::size_t i) {
        if (!sheet.rows[i].error.isEmpty())
            return;
        const metatags::FileStamp stamp = metatags::StampOf(sheet.rows[i].path);
        sizes[i] = stamp.size;
        sourceKeys[i] = fileKey(sheet.rows[i].path, stamp);
    });
    QHash<FileKey, qint64> lineOfPage;
    for (std::size_t i = 0; i != rows; ++i) {
        const SheetRow &row = sheet.rows[i];
        if (!row.error.isEmpty()) {
            errors[i] = { row.path, row.error };
            continue;
        }
        if (const auto first = lineOfPage.constFind(sourceKeys[i]); first != lineOfPage.cend()) {
            // A second row would undo the first, or find the page already rewritten.
            errors[i] = { row.path, Text::tr("the page is already listed on line %1.").arg(*first) };
            continue;
        }
        lineOfPage.insert(sourceKeys[i], row.line);
    }
    if (!elsewhere)
        return errors;

    QHash<FileKey, qint64> lineOfOutput;
    for (std::size_t i = 0; i != rows; ++i) {
        // A page that does not exist fails as it is read, whatever its output.
        if (errors[i] || !sourceKeys[i].exists)
            continue;
        const QString &target = edits[i].target;
        const FileKey targetKey = fileKey(target, metatags::StampOf(target));
        const auto refuse = [&](const QString &why) {
            errors[i] = { sheet.rows[i].path, Text::tr("it would be written to %1, ").arg(Printable(target)) + why };
        };
        if (targetKey == sourceKeys[i])
            refuse(Text::tr("the page itself; the output folder must not map pages onto themselves."));
        else if (const auto listed = lineOfPage.constFind(targetKey); listed != lineOfPage.cend())
            refuse(Text::tr("which is the page on line %1.").arg(*listed));
        else if (const auto other = lineOfOutput.constFind(targetKey); other != lineOfOutput.cend())
            refuse(Text::tr("as is the page on line %1.").arg(*other));
        else
            lineOfOutput.insert(targetKey, sheet.rows[i].line);
    }
    return errors;
}

// The dry run's line for a row that the real run would refuse.
QString failedLine(const QString &where, const QString &reason)
{
    return Printable(where) + QStringLiteral(": ") + Text::tr("would fail: %1").arg(reason);
}

} // namespace

int RunShow(const QStringList &files, ShowFormat format, Console &console)
{
    ProgressBar progress(console.err, files.size(), console.errIsTerminal);
    if (format == ShowFormat::Sheet)
        console.out.write(SheetHeader());
    bool failed = false;
    for (const QString &path : files) {
        const metatags::Result<metatags::StampedPage> page = metatags::LoadPage(path);
        if (page.has_value()) {
            const ShownPage shown = ShowPage(path, page->bytes);
            console.out.write(format == ShowFormat::Sheet ? SheetLine(shown) : JsonLine(shown));
        } else {
            progress.message(Message(page.error().path, 0, page.error().reason).chopped(1));
            failed = true;
        }
        progress.advance();
    }
    return failed ? PageFailed : Success;
}

int RunApply(const QString &sheetName, const Sheet &sheet, const ApplyOptions &options, Console &console)
{
    if (!sheet.error.isEmpty()) {
        console.err.write(Message(sheetName, sheet.errorLine, sheet.error));
        return UsageError;
    }

    const std::size_t rows = sheet.rows.size();
    const bool elsewhere = !options.outputFolder.isEmpty();
    std::vector<PageEdit> edits(rows);
    for (std::size_t i = 0; i != rows; ++i) {
        const SheetRow &row = sheet.rows[i];
        if (row.error.isEmpty())
            edits[i] = { row.path, elsewhere ? OutputPathUnder(options.outputFolder, row.path) : row.path, row.values };
    }
    std::vector<qint64> sizes(rows); // as the pages were when checked, to share out the memory
    std::vector<std::optional<RowError>> errors = refusedRows(sheet, edits, elsewhere, sizes);

    ProgressBar progress(console.err, static_cast<qsizetype>(rows), console.errIsTerminal);
    MemoryBudget budget(PagesInMemory);
    std::vector<EditReport> reports(rows);
    const EditOptions editOptions { options.dryRun, options.wholePage, elsewhere };
    Tally tally;
    RunInOrder(
        rows, MostSavesAtOnce,
        [&](std::size_t i) {
            if (errors[i])
                return false;
            budget.acquire(sizes[i]);
            const auto release = qScopeGuard([&] { budget.release(sizes[i]); });
            metatags::Result<EditReport> done = RunEdit(edits[i], editOptions);
            if (!done.has_value()) {
                errors[i] = { done.error().path, done.error().reason };
                return false;
            }
            reports[i] = std::move(done).value();
            return reports[i].changed && !options.dryRun;
        },
        [&](std::size_t i) {
            const SheetRow &row = sheet.rows[i];
            const EditReport report = std::exchange(reports[i], {}); // freed once reported
            if (errors[i]) {
                if (options.dryRun) {
                    const QString where = errors[i]->path.isEmpty()
                        ? sheetName + QLatin1Char(':') + QString::number(row.line)
                        : QDir::toNativeSeparators(errors[i]->path);
                    writeLines(console.out, { failedLine(where, errors[i]->reason) });
                }
                progress.message(Message(sheetName, row.line, errors[i]->text()).chopped(1));
                ++tally.failed;
            } else {
                writeLines(console.out, report.lines);
                ++(report.changed ? tally.changed : tally.unchanged);
            }
            progress.advance();
        });
    progress.finish();
    console.err.write(summary(sheetName, tally, options.dryRun));
    return tally.failed > 0 ? PageFailed : Success;
}

int RunSet(const PageEdit &edit, const EditOptions &options, Console &console)
{
    const metatags::Result<EditReport> done = RunEdit(edit, options);
    Tally tally;
    if (done.has_value()) {
        writeLines(console.out, done.value().lines);
        ++(done.value().changed ? tally.changed : tally.unchanged);
    } else {
        if (options.dryRun)
            writeLines(console.out, { failedLine(edit.source, done.error().reason) });
        console.err.write(Message(done.error().path, 0, done.error().reason));
        ++tally.failed;
    }
    console.err.write(summary(edit.source, tally, options.dryRun));
    return tally.failed > 0 ? PageFailed : Success;
}

} // namespace cli
