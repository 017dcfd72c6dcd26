#include "Audit.h"

#include "ProgressBar.h"
#include "SheetCell.h"
#include "SheetFormat.h"

#include <LoadPage.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QIODevice>

#include <algorithm>
#include <optional>

namespace cli {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Audit", text);
}

// Search results set titles in Arial at 20 px and descriptions at 14 px.
constexpr int TitlePixelSize = 20;
constexpr int DescriptionPixelSize = 14;

QByteArray message(const QString &path, const QString &text)
{
    return QStringLiteral("tagwright-batch: %1: %2\n").arg(QDir::toNativeSeparators(path), text).toUtf8();
}

// The path as a cell of the format, made once for all of a page's rows.
QByteArray pathCell(ShowFormat format, const QString &path)
{
    return format == ShowFormat::Sheet ? EscapeCell(path).toUtf8() : JsonString(path);
}

QByteArray rowLine(ShowFormat format, const QByteArray &path, const AuditRow &row)
{
    const QByteArray detail = format == ShowFormat::Sheet ? EscapeCell(row.detail).toUtf8() : JsonString(row.detail);
    QByteArray line;
    line.reserve(path.size() + detail.size() + 64);
    if (format == ShowFormat::Sheet) {
        line.append(path).append('\t').append(FieldColumn(row.field).toLatin1()).append('\t');
        line.append(FindingName(row.finding).toLatin1()).append('\t').append(detail).append('\n');
    } else {
        line.append("{\"path\":").append(path).append(",\"field\":\"").append(FieldColumn(row.field).toLatin1());
        line.append("\",\"finding\":\"").append(FindingName(row.finding).toLatin1());
        line.append("\",\"detail\":").append(detail).append("}\n");
    }
    return line;
}

QString summary(qsizetype read, qsizetype unreadable, const std::array<qsizetype, FindingCount> &counts)
{
    QString text = read == 1 ? tr("1 page read") : tr("%1 pages read").arg(read);
    if (unreadable > 0)
        text += unreadable == 1 ? tr(", 1 could not be read") : tr(", %1 could not be read").arg(unreadable);
    QStringList kinds;
    qsizetype total = 0;
    for (std::size_t i = 0; i < FindingCount; ++i) {
        if (counts[i] > 0)
            kinds.append(QStringLiteral("%1 %2").arg(counts[i]).arg(FindingName(static_cast<Finding>(i))));
        total += counts[i];
    }
    if (total == 0)
        return text + tr("; no findings.\n");
    return text + (total == 1 ? tr("; 1 finding: ") : tr("; %1 findings: ").arg(total))
        + kinds.join(QStringLiteral(", ")) + QStringLiteral(".\n");
}

// The fonts are loaded only when a pixel width can be reported.
struct LoadedFonts
{
    std::optional<TextWidth> title;
    std::optional<TextWidth> description;
    std::optional<metatags::FileError> error;
};

LoadedFonts loadFonts(const AuditOptions &options)
{
    LoadedFonts fonts;
    const bool title = options.limits.titlePixels > 0;
    const bool description = options.limits.descriptionPixels > 0;
    if (Contains(options.ignored, Finding::TooLong) || (!title && !description))
        return fonts;
    metatags::Result<TextWidth> loaded = TextWidth::Load(SearchResultFontFile(), TitlePixelSize);
    if (!loaded.ok()) {
        fonts.error = loaded.error();
        return fonts;
    }
    if (description)
        fonts.description = loaded.value().atPixelSize(DescriptionPixelSize);
    if (title)
        fonts.title = std::move(loaded).value();
    return fonts;
}

} // namespace

QStringList AuditPageFiles(const QStringList &paths, bool recursive)
{
    // Without recursive every path is taken for a page, unlooked-at: a folder
    // is refused when it is read, and ten thousand pages need no extra look each.
    if (!recursive)
        return paths;
    QStringList files;
    for (const QString &path : paths) {
        if (!QFileInfo(path).isDir()) {
            files.append(path);
            continue;
        }
        // Links to folders are not followed, so that a loop cannot walk forever.
        QDirIterator walk(
            path, { QStringLiteral("*.html"), QStringLiteral("*.htm") }, QDir::Files, QDirIterator::Subdirectories);
        QStringList pages;
        while (walk.hasNext())
            pages.append(QDir::cleanPath(walk.next()));
        std::sort(pages.begin(), pages.end());
        files.append(pages);
    }
    return files;
}

int RunAudit(const QStringList &paths, const AuditOptions &options, Console &console)
{
    const LoadedFonts fonts = loadFonts(options);
    if (fonts.error) {
        console.err.write(message(fonts.error->path,
            fonts.error->reason
                + tr(" Pixel widths are measured in this font (Debian's fonts-liberation2); without it, give "
                     "--title-px 0 --description-px 0.")));
        return UsageError;
    }
    const ResultFonts resultFonts { fonts.title ? &*fonts.title : nullptr,
        fonts.description ? &*fonts.description : nullptr };

    const QStringList files = AuditPageFiles(paths, options.recursive);
    ProgressBar progress(console.err, files.size(), ProgressBar::WantedFor(console.errIsTerminal, files.size()));
    std::vector<PageAudit> pages;
    pages.reserve(std::size_t(files.size()));
    qsizetype unreadable = 0;
    for (const QString &path : files) {
        const metatags::Result<QByteArray> page = metatags::LoadPage(path);
        if (page.ok()) {
            pages.push_back(AuditPage(path, page.value(), options.limits, resultFonts));
        } else {
            // Only a page that failed is looked at again, to say what to do with a folder.
            const QString hint = QFileInfo(path).isDir() ? tr(" Give -r to check the pages in it.") : QString();
            progress.message(message(page.error().path, page.error().reason + hint).chopped(1));
            ++unreadable;
        }
        progress.advance();
    }
    progress.finish();
    AddDuplicates(pages);

    if (options.format == ShowFormat::Sheet)
        console.out.write("path\tfield\tfinding\tdetail\n");
    std::array<qsizetype, FindingCount> counts {};
    bool failing = unreadable > 0;
    for (const PageAudit &page : pages) {
        const QByteArray path = page.rows.empty() ? QByteArray() : pathCell(options.format, page.path);
        for (const AuditRow &row : page.rows) {
            if (Contains(options.ignored, row.finding))
                continue;
            console.out.write(rowLine(options.format, path, row));
            ++counts[static_cast<std::size_t>(row.finding)];
            failing = failing || Contains(options.failOn, row.finding);
        }
    }
    console.err.write(summary(qsizetype(pages.size()), unreadable, counts).toUtf8());
    return failing ? PageFailed : Success;
}

} // namespace cli
