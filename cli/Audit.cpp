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

QByteArray sheetRow(const PageAudit &page, const AuditRow &row)
{
    const QStringList cells
        = { EscapeCell(page.path), FieldColumn(row.field), FindingName(row.finding), EscapeCell(row.detail) };
    return cells.join(QLatin1Char('\t')).toUtf8().append('\n');
}

QByteArray jsonRow(const PageAudit &page, const AuditRow &row)
{
    return "{\"path\":" + JsonString(page.path) + ",\"field\":" + JsonString(FieldColumn(row.field))
        + ",\"finding\":" + JsonString(FindingName(row.finding)) + ",\"detail\":" + JsonString(row.detail) + "}\n";
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
    if (Contains(options.ignored, Finding::TooLong))
        return fonts;
    const auto load = [&fonts](int limit, int pixelSize, std::optional<TextWidth> &font) {
        if (limit <= 0 || fonts.error)
            return;
        metatags::Result<TextWidth> loaded = TextWidth::Load(SearchResultFontFile(), pixelSize);
        if (loaded.ok())
            font = std::move(loaded).value();
        else
            fonts.error = loaded.error();
    };
    load(options.limits.titlePixels, TitlePixelSize, fonts.title);
    load(options.limits.descriptionPixels, DescriptionPixelSize, fonts.description);
    return fonts;
}

} // namespace

AuditFiles AuditPageFiles(const QStringList &paths, bool recursive)
{
    AuditFiles found;
    for (const QString &path : paths) {
        if (!QFileInfo(path).isDir()) {
            found.files.append(path);
            continue;
        }
        if (!recursive) {
            found.problems.append(
                tr("%1: is a folder; give -r to check the pages in it.").arg(QDir::toNativeSeparators(path)));
            continue;
        }
        // Links to folders are not followed, so that a loop cannot walk forever.
        QDirIterator walk(
            path, { QStringLiteral("*.html"), QStringLiteral("*.htm") }, QDir::Files, QDirIterator::Subdirectories);
        QStringList pages;
        while (walk.hasNext())
            pages.append(QDir::cleanPath(walk.next()));
        std::sort(pages.begin(), pages.end());
        found.files.append(pages);
    }
    return found;
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

    const AuditFiles files = AuditPageFiles(paths, options.recursive);
    if (!files.problems.isEmpty()) {
        for (const QString &problem : files.problems)
            console.err.write(QStringLiteral("tagwright-batch: %1\n").arg(problem).toUtf8());
        return UsageError;
    }

    ProgressBar progress(
        console.err, files.files.size(), ProgressBar::WantedFor(console.errIsTerminal, files.files.size()));
    std::vector<PageAudit> pages;
    pages.reserve(std::size_t(files.files.size()));
    qsizetype unreadable = 0;
    for (const QString &path : files.files) {
        const metatags::Result<QByteArray> page = metatags::LoadPage(path);
        if (page.ok()) {
            pages.push_back(AuditPage(path, page.value(), options.limits, resultFonts));
        } else {
            progress.message(message(page.error().path, page.error().reason).chopped(1));
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
        for (const AuditRow &row : page.rows) {
            if (Contains(options.ignored, row.finding))
                continue;
            console.out.write(options.format == ShowFormat::Sheet ? sheetRow(page, row) : jsonRow(page, row));
            ++counts[static_cast<std::size_t>(row.finding)];
            failing = failing || Contains(options.failOn, row.finding);
        }
    }
    console.err.write(summary(qsizetype(pages.size()), unreadable, counts).toUtf8());
    return failing ? PageFailed : Success;
}

} // namespace cli
