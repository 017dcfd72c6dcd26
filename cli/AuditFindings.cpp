#include "AuditFindings.h"

#include "PageMetaTags.h"
#include "ResultText.h"
#include "ShownPage.h"

#include <ByteSearch.h>
#include <TrimPageToTitle.h>

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace cli {

namespace {

// The context the messages are translated in.
struct Text
{
    Q_DECLARE_TR_FUNCTIONS(AuditFindings)
};

constexpr std::array<const char *, FindingCount> Names = {
    "no-title-tag",
    "no-closing-tag",
    "drops-head",
    "missing",
    "unusable",
    "other-case-only",
    "not-in-meta-tag",
    "multiple",
    "gt-in-value",
    "empty",
    "too-short",
    "too-long",
    "cut-in-editor",
    "duplicate",
};

// Duplicates name this many other pages, then only how many more there are.
constexpr qsizetype NamedDuplicates = 5;

// Bytes of a misread word's surroundings shown in a detail.
constexpr qsizetype ContextBefore = 16;
constexpr qsizetype ContextAfter = 24;

// Tags shown in a detail are cut to this many characters.
constexpr qsizetype ShownTagLength = 60;

QString characters(qsizetype count)
{
    return count == 1 ? Text::tr("1 character") : Text::tr("%1 characters").arg(QString::number(count));
}

QString quoted(QByteArrayView bytes)
{
    return QLatin1Char('"') + QString::fromUtf8(bytes) + QLatin1Char('"');
}

// The first occurrence of the word with what stands around it, on one line.
QString surroundings(QByteArrayView page, qsizetype wordAt, qsizetype wordSize)
{
    const qsizetype from = std::max<qsizetype>(0, wordAt - ContextBefore);
    const qsizetype to = std::min(page.size(), wordAt + wordSize + ContextAfter);
    return (from > 0 ? QStringLiteral("…") : QString()) + QString::fromUtf8(page.sliced(from, to - from)).simplified()
        + (to < page.size() ? QStringLiteral("…") : QString());
}

// Whether the reader's offsets fit: `name="WORD" content="` around the word.
bool standsInMetaTag(QByteArrayView page, qsizetype wordAt, qsizetype wordSize)
{
    constexpr QByteArrayView before = "name=\"";
    constexpr QByteArrayView after = "\" content=\"";
    const qsizetype afterAt = wordAt + wordSize;
    return wordAt >= before.size() && afterAt + after.size() <= page.size()
        && SameIgnoringCase(page.sliced(wordAt - before.size(), before.size()), before)
        && SameIgnoringCase(page.sliced(afterAt, after.size()), after);
}

// A tag as a person reads it in one line: white space runs as one space, and
// a long tag cut with an ellipsis before its '>'.
QString shownTag(QByteArrayView tag)
{
    QString text = QString::fromUtf8(tag).simplified();
    if (text.size() > ShownTagLength)
        text = text.first(ShownTagLength - 1) + QStringLiteral(" …>");
    return text;
}

// What a save removes ahead of the title tag that the page needs: its
// DOCTYPE, a charset declaration (<meta charset> or an http-equiv
// Content-Type with a charset) and a viewport tag, each as it stands in the
// page, shortened.
QStringList headDrops(QByteArrayView page, metatags::KeptPart kept, const MetaTags &tags)
{
    const QByteArrayView head = page.first(kept.start);
    QStringList dropped;
    if (const qsizetype doctype = head.toByteArray().toLower().indexOf("<!doctype"); doctype >= 0) {
        const qsizetype end = head.indexOf('>', doctype);
        dropped.append(shownTag(head.sliced(doctype, (end == -1 ? head.size() : end + 1) - doctype)));
    }
    for (const MetaTagAt &tag : tags) {
        if (tag.start >= head.size())
            break;
        const bool charset = tag.hasCharset
            || (SameIgnoringCase(tag.httpEquiv, "content-type")
                && tag.content.toByteArray().toLower().contains("charset"));
        if (charset || SameIgnoringCase(tag.name, "viewport"))
            dropped.append(shownTag(page.sliced(tag.start, tag.end - tag.start)));
    }
    return dropped;
}

void addPageRows(QByteArrayView page, const MetaTags &tags, std::vector<AuditRow> &rows)
{
    const std::optional<metatags::KeptPart> kept = metatags::FindKeptPart(page);
    if (!kept) {
        rows.push_back({ std::nullopt, Finding::NoTitleTag,
            Text::tr("no <title> or <TITLE> tag: a save puts the preamble ahead of the whole page") });
        return;
    }
    const QByteArrayView keptBytes = page.sliced(kept->start, kept->length);
    if (!keptBytes.endsWith("</html>") && !keptBytes.endsWith("</HTML>"))
        rows.push_back({ std::nullopt, Finding::NoClosingTag, Text::tr("no </html> or </HTML> behind the title tag") });
    if (const QStringList dropped = headDrops(page, *kept, tags); !dropped.isEmpty())
        rows.push_back({ std::nullopt, Finding::DropsHead, dropped.join(QStringLiteral(", ")) });
}

// The rows about where and how the word stands in the page.
void addTagRows(QByteArrayView page, const MetaTags &tags, MetaTag field, const metatags::TagRead &value,
    std::vector<AuditRow> &rows)
{
    const QByteArrayView word = metatags::TagWord(field);
    const MetaTagAt *firstExact = nullptr;
    qsizetype exact = 0;
    qsizetype otherCase = 0;
    QStringList otherForms;
    for (const MetaTagAt &tag : tags) {
        if (tag.name == word) {
            firstExact = firstExact ? firstExact : &tag;
            ++exact;
        } else if (SameIgnoringCase(tag.name, word)) {
            ++otherCase;
            otherForms.append(QStringLiteral("name=") + quoted(tag.name));
        }
    }

    const bool onlyOtherCase = exact == 0 && otherCase > 0;
    if (value.outcome == metatags::MetaTagRead::Outcome::NotFound && !onlyOtherCase)
        rows.push_back({ field, Finding::Missing, Text::tr("no %1 in the page").arg(quoted(word)) });
    if (value.outcome == metatags::MetaTagRead::Outcome::Unusable)
        rows.push_back({ field, Finding::Unusable, Text::tr("no value can be cut behind %1").arg(quoted(word)) });
    if (onlyOtherCase) {
        otherForms.removeDuplicates();
        rows.push_back({ field, Finding::OtherCaseOnly,
            Text::tr("only %1; the editor reads %2").arg(otherForms.join(QStringLiteral(", ")), quoted(word)) });
    }
    if (value.outcome == metatags::MetaTagRead::Outcome::Value) {
        const qsizetype wordAt = metatags::FindBytes(page, word);
        if (!standsInMetaTag(page, wordAt, word.size())) {
            rows.push_back({ field, Finding::NotInMetaTag,
                Text::tr("read from %1").arg(surroundings(page, wordAt, word.size())) });
        }
    }
    if (exact > 0 && exact + otherCase > 1)
        rows.push_back({ field, Finding::Multiple,
            Text::tr("%1 meta tags for %2, in any case").arg(QString::number(exact + otherCase), quoted(word)) });
    if (firstExact && firstExact->content.contains('>')) {
        rows.push_back({ field, Finding::GtInValue,
            Text::tr("content=%1: the editor reads up to the \">\"").arg(quoted(firstExact->content)) });
    }
}

// The rows about the value's length.
void addLengthRows(
    MetaTag field, const QString &text, const AuditLimits &limits, ResultFonts fonts, std::vector<AuditRow> &rows)
{
    const QString shown = ResultText(text);
    if (shown.isEmpty()) {
        rows.push_back({ field, Finding::Empty, text.isEmpty() ? QString() : Text::tr("only white space") });
        return;
    }
    if (field != MetaTag::KeyWords) {
        const bool title = field == MetaTag::Title;
        const CharacterRange range = title ? limits.titleCharacters : limits.descriptionCharacters;
        const int mostPixels = title ? limits.titlePixels : limits.descriptionPixels;
        const TextWidth *font = title ? fonts.title : fonts.description;
        const qsizetype count = CharacterCount(shown);
        QStringList over;
        if (count > range.most)
            over.append(Text::tr("%1, more than %2").arg(characters(count), QString::number(range.most)));
        if (font && mostPixels > 0) {
            const double pixels = font->of(shown);
            if (pixels > mostPixels)
                over.append(Text::tr("%1 px, more than %2 px")
                                .arg(QString::number(std::lround(pixels)), QString::number(mostPixels)));
        }
        if (count < range.least)
            rows.push_back({ field, Finding::TooShort,
                Text::tr("%1, fewer than %2").arg(characters(count), QString::number(range.least)) });
        if (!over.isEmpty())
            rows.push_back({ field, Finding::TooLong, over.join(QStringLiteral("; ")) });
    }
}

void addEditorRow(MetaTag field, const QString &text, std::vector<AuditRow> &rows)
{
    const qsizetype limit = metatags::FieldLimit(field);
    // The editor's fields hold a CR LF as one line break.
    const qsizetype length = text.size() - text.count(QStringLiteral("\r\n"));
    if (length > limit)
        rows.push_back({ field, Finding::CutInEditor,
            Text::tr("%1; the editor keeps %2").arg(characters(length), QString::number(limit)) });
}

} // namespace

QLatin1StringView FindingName(Finding finding)
{
    return QLatin1StringView(Names[static_cast<std::size_t>(finding)]);
}

std::optional<Finding> FindingNamed(QStringView name)
{
    for (std::size_t i = 0; i < Names.size(); ++i) {
        if (name == QLatin1StringView(Names[i]))
            return static_cast<Finding>(i);
    }
    return std::nullopt;
}

std::optional<FindingSet> FindingsNamed(QStringView list)
{
    FindingSet set;
    for (const QStringView name : list.split(u',', Qt::SkipEmptyParts)) {
        const std::optional<Finding> finding = FindingNamed(name.trimmed());
        if (!finding)
            return std::nullopt;
        set.set(static_cast<std::size_t>(*finding));
    }
    return set;
}

QLatin1StringView FieldColumn(const std::optional<MetaTag> &field)
{
    // The sheet's column names, which rows are printed with many times over.
    constexpr std::array<QLatin1StringView, 4> names = { QLatin1StringView("page"), QLatin1StringView("title"),
        QLatin1StringView("description"), QLatin1StringView("keywords") };
    return names[field ? static_cast<std::size_t>(*field) + 1 : 0];
}

PageAudit AuditPage(const QString &path, QByteArrayView page, const AuditLimits &limits, ResultFonts fonts)
{
    PageAudit audit { path, {}, std::nullopt, std::nullopt };
    const MetaTags tags = MetaTagsIn(page);
    addPageRows(page, tags, audit.rows);
    const ShownPage shown = ShowPage(path, page);
    for (const MetaTag field : AllMetaTags) {
        const metatags::TagRead &value = shown.values[field];
        addTagRows(page, tags, field, value, audit.rows);
        if (value.outcome != metatags::MetaTagRead::Outcome::Value)
            continue;
        addLengthRows(field, value.value.text, limits, fonts, audit.rows);
        addEditorRow(field, value.value.text, audit.rows);
    }
    if (shown.values[MetaTag::Title].outcome == metatags::MetaTagRead::Outcome::Value)
        audit.title = shown.values[MetaTag::Title].value.text;
    if (shown.values[MetaTag::Description].outcome == metatags::MetaTagRead::Outcome::Value)
        audit.description = shown.values[MetaTag::Description].value.text;
    return audit;
}

std::vector<std::vector<AuditRow>> DuplicateRows(const std::vector<PageAudit> &pages)
{
    std::vector<std::vector<AuditRow>> duplicates(pages.size());
    for (const MetaTag field : { MetaTag::Title, MetaTag::Description }) {
        const auto valueOf = [field](const PageAudit &page) -> const std::optional<QString> & {
            return field == MetaTag::Title ? page.title : page.description;
        };
        // Pages with equal values end up side by side, in page order; sorting
        // needs no allocation per value, as a hash of lists would.
        std::vector<std::size_t> sorted;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const std::optional<QString> &value = valueOf(pages[i]);
            // An empty value is a finding of its own, not a shared one.
            if (value && !ResultText(*value).isEmpty())
                sorted.push_back(i);
        }
        std::stable_sort(sorted.begin(), sorted.end(),
            [&](std::size_t a, std::size_t b) { return *valueOf(pages[a]) < *valueOf(pages[b]); });
        for (auto from = sorted.begin(); from != sorted.end();) {
            const auto to = std::find_if(
                from, sorted.end(), [&](std::size_t i) { return *valueOf(pages[i]) != *valueOf(pages[*from]); });
            if (to - from > 1) {
                for (auto page = from; page != to; ++page) {
                    QStringList others;
                    for (auto other = from; other != to && others.size() < NamedDuplicates; ++other) {
                        if (other != page)
                            others.append(pages[*other].path);
                    }
                    QString detail = Text::tr("also in %1").arg(others.join(QStringLiteral(", ")));
                    const qsizetype more = (to - from) - 1 - others.size();
                    if (more > 0)
                        detail += Text::tr(" and %1 more").arg(more);
                    duplicates[*page].push_back({ field, Finding::Duplicate, detail });
                }
            }
            from = to;
        }
    }
    return duplicates;
}

} // namespace cli
