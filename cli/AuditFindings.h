#pragma once

#include "ColumnName.h"
#include "TextWidth.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <array>
#include <bitset>
#include <optional>
#include <vector>

namespace cli {

// What audit reports, in the order of its rows within a page: first those
// about the page, then those of each field in turn.
enum class Finding {
    NoTitleTag, // a save puts the preamble ahead of the whole page
    NoClosingTag, // no </html> behind the title tag: each save adds a line end
    DropsHead, // a save removes the DOCTYPE, charset or viewport ahead of the title
    Missing,
    Unusable,
    OtherCaseOnly,
    NotInMetaTag,
    Multiple,
    GtInValue,
    Empty,
    TooShort,
    TooLong,
    CutInEditor,
    Duplicate,
};
inline constexpr std::size_t FindingCount = 14;
using FindingSet = std::bitset<FindingCount>;

// "no-title-tag", "missing", "too-long" ...
QLatin1StringView FindingName(Finding finding);
std::optional<Finding> FindingNamed(QStringView name);
// A comma-separated list of names, or nothing when one is not a finding.
std::optional<FindingSet> FindingsNamed(QStringView list);
inline bool Contains(const FindingSet &set, Finding finding)
{
    return set.test(static_cast<std::size_t>(finding));
}

struct CharacterRange
{
    qsizetype least = 0;
    qsizetype most = 0;
};

// The lengths a search result shows whole, and that are worth showing.
struct AuditLimits
{
    CharacterRange titleCharacters { 30, 60 };
    CharacterRange descriptionCharacters { 70, 160 };
    int titlePixels = 580; // 0: not measured
    int descriptionPixels = 920;
};

// The fonts Title and Description are measured in, as a search result sets
// them; a null one is not measured.
struct ResultFonts
{
    const TextWidth *title = nullptr;
    const TextWidth *description = nullptr;
};

// One row of the report. field is empty for a finding about the whole page.
struct AuditRow
{
    std::optional<MetaTag> field;
    Finding finding;
    QString detail;
};

// What one page gives: its rows but duplicates, in order, and the Title and
// Description values it yields (exact text), which DuplicateRows compares
// across pages.
struct PageAudit
{
    QString path;
    std::vector<AuditRow> rows;
    std::optional<QString> title;
    std::optional<QString> description;
};

// Reads the page as the editor's Open button does and checks it.
PageAudit AuditPage(const QString &path, QByteArrayView page, const AuditLimits &limits, ResultFonts fonts);

// The duplicate rows of each page, indexed like pages: a Title or Description
// that other pages have too, naming them. They follow the page's other rows
// of the same field.
std::vector<std::vector<AuditRow>> DuplicateRows(const std::vector<PageAudit> &pages);

// "title", "description", "keywords", or "page" for the whole page.
QLatin1StringView FieldColumn(const std::optional<MetaTag> &field);

} // namespace cli
