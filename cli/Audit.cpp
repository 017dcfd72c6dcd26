#include "Audit.h"

#include "FolderWalk.h"
#include "Message.h"
#include "ProgressBar.h"
#include "SheetCell.h"
#include "SheetFormat.h"

#include <LoadPage.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>

#include <algorithm>
#include <optional>

namespace cli {

namespace {

// The context the messages are translated in.
struct Text
{
    Q_DECLARE_TR_FUNCTIONS(Audit)
};

// Search results set titles in Arial at 20 px and descriptions at 14 px.
constexpr int TitlePixelSize = 20;
constexpr int DescriptionPixelSize = 14;

// The path as a cell of the format, made once for all of a page's rows.
QByteArray pathCell(ShowFormat format, const QString &path)
{
    return format == ShowFormat::Sheet ? EscapeCell(path).toUtf8() : JsonString(path);
}

void appendLine(QByteArray &lines, ShowFormat format, const QByteArray &path, const AuditRow &row)
{
    const QLatin1StringView field = FieldColumn(row.field);
    const QLatin1StringView finding = FindingName(row.finding);
    if (format == ShowFormat::Sheet) {
        lines.append(path).append('\t').append(field).append('\t').append(finding).append('\t');
        lines.append(EscapeCell(row.detail).toUtf8()).append('\n');
    } else {
        lines.append("{\"path\":").append(path).append(",\"field\":\"").append(field);
        lines.append("\",\"finding\":\"").append(finding);
        lines.append("\",\"detail\":").append(JsonString(row.detail)).append("}\n");
    }
}

// What the report has counted so far.
struct Tally
{
    std::array<qsizetype, FindingCount> counts {};
    bool failing = false;
};

void appendRow(
    QByteArray &lines, const QByteArray &path, const AuditRow &row, const AuditOptions &options, Tally &tally)
{
    if (Contains(options.ignored, row.finding))
        return;
    appendLine(lines, options.format, path, row);
    ++tally.counts[static_cast<std::size_t>(row.finding)];
    tally.failing = tally.failing || Contains(options.failOn, row.finding);
}

// A page's rows as they are printed, made as soon as the page is checked so
// that only these bytes are kept until the duplicates are known; those go in
// behind the other rows of their field.
struct PageReport
{
    QByteArray lines;
    std::array<qsizetype, 2> titleAndDescriptionEnds {};
};

PageReport reportOf(const PageAudit &audit, const AuditOptions &options, Tally &tally)
{
    PageReport report;
    const QByteArray path = audit.rows.empty() ? QByteArray() : pathCell(options.format, audit.path);
    std::size_t ended = 0; // how many of the two ends are known
    for (const AuditRow &row : audit.rows) {
        // Rows come page first (0), then Title (1), Description (2) and
        // KeyWords (3): a field's rows end where a later field's begin.
        const std::size_t rank = row.field ? static_cast<std::size_t>(*row.field) + 1 : 0;
        for (; rank > ended + 1; ++ended) // a rank is at most 3
            report.titleAndDescriptionEnds[ended] = report.lines.size();
        appendRow(report.lines, path, row, options, tally);
    }
    for (; ended < 2; ++ended)
        report.titleAndDescriptionEnds[ended] = report.lines.size();
    return report;
}

QString summary(qsizetype read, qsizetype unreadable, const std::array<qsizetype, FindingCount> &counts)
{
    QString text = read == 1 ? Text::tr("1 page read") : Text::tr("%1 pages read").arg(read);
    if (unreadable > 0)
        text
            += unreadable == 1 ? Text::tr(", 1 could not be read") : Text::tr(", %1 could not be read").arg(unreadable);
    QStringList kinds;
    qsizetype total = 0;
    for (std::size_t i = 0; i < FindingCount; ++i) {
        if (counts[i] > 0)
            kinds.append(QStringLiteral("%1 %2").arg(counts[i]).arg(FindingName(static_cast<Finding>(i))));
        total += counts[i];
    }
    if (total == 0)
        return text + Text::tr("; no findings.\n");
    return text + (total == 1 ? Text::tr("; 1 finding: ") : Text::tr("; %1 findings: ").arg(total))
        + kinds.join(QStringLiteral(", ")) + QStringLiteral(".\n");
}

} // namespace

int RunAudit(const QStringList &paths, const AuditOptions &options, Console &console)
{
    // The font is read only when a pixel width can be reported.
    std::optional<TextWidth> titleFont;
    std::optional<TextWidth> descriptionFont;
    if (!Contains(options.ignored, Finding::TooLong)
        && (options.limits.titlePixels > 0 || options.limits.descriptionPixels > 0)) {
        metatags::Result<TextWidth> loaded = TextWidth::Load(SearchResultFontFile(), TitlePixelSize);
        if (!loaded) {
            console.err.write(Message(loaded.error().path, 0,
                loaded.error().reason
                    + Text::tr(" Pixel widths are measured in this font (Debian's fonts-liberation2); without it, "
                               "give --title-px 0 --description-px 0.")));
            return UsageError;
        }
        descriptionFont = loaded->atPixelSize(DescriptionPixelSize);
        titleFont = std::move(loaded).value();
    }
    const ResultFonts resultFonts { titleFont ? &*titleFont : nullptr, descriptionFont ? &*descriptionFont : nullptr };

    const QStringList files = PagesToRead(paths, options.recursive);
    ProgressBar progress(console.err, files.size(), console.errIsTerminal);
    std::vector<PageAudit> pages;
    std::vector<PageReport> reports;
    Tally tally;
    qsizetype unreadable = 0;
    for (const QString &path : files) {
        const metatags::Result<metatags::StampedPage> page = metatags::LoadPage(path);
        if (page.has_value()) {
            PageAudit audit = AuditPage(path, page->bytes, options.limits, resultFonts);
            reports.push_back(reportOf(audit, options, tally));
            audit.rows = {};
            pages.push_back(std::move(audit));
        } else {
            // Only a page that failed is looked at again, to say what to do with a folder.
            const QString hint = QFileInfo(path).isDir() ? Text::tr(" Give -r to check the pages in it.") : QString();
            progress.message(Message(page.error().path, 0, page.error().reason + hint).chopped(1));
            ++unreadable;
        }
        progress.advance();
    }
    progress.finish();

    if (options.format == ShowFormat::Sheet)
        console.out.write("path\tfield\tfinding\tdetail\n");
    const std::vector<std::vector<AuditRow>> duplicates = DuplicateRows(pages);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const PageReport &report = reports[i];
        if (duplicates[i].empty()) {
            console.out.write(report.lines);
            continue;
        }
        const QByteArray path = pathCell(options.format, pages[i].path);
        qsizetype from = 0;
        for (const MetaTag field : { MetaTag::Title, MetaTag::Description }) {
            const qsizetype end = report.titleAndDescriptionEnds[static_cast<std::size_t>(field)];
            QByteArray lines = report.lines.sliced(from, end - from);
            for (const AuditRow &row : duplicates[i]) {
                if (row.field == field)
                    appendRow(lines, path, row, options, tally);
            }
            console.out.write(lines);
            from = end;
        }
        console.out.write(report.lines.sliced(from));
    }
    console.err.write(summary(qsizetype(pages.size()), unreadable, tally.counts).toUtf8());
    return tally.failing || unreadable > 0 ? PageFailed : Success;
}

} // namespace cli
