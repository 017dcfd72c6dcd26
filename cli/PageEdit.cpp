#include "PageEdit.h"

#include "Message.h"
#include "PageDrops.h"
#include "SheetFormat.h"
#include "ShownPage.h"

#include <FileReplacement.h>
#include <LoadPage.h>
#include <TrimPageToTitle.h>
#include <WriteMetaPage.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <new>

namespace cli {

namespace {

// The context the messages are translated in.
struct Text
{
    Q_DECLARE_TR_FUNCTIONS(PageEdit)
};

// The fields as the editor holds them when it was started, the page was read
// with the Open button and the given values were typed. A given value equal to
// the page's own stays untouched and keeps its bytes; a value neither given
// nor found in the page is empty, as the field is after start-up.
metatags::PerTag<metatags::FieldValue> fieldsAfterTyping(
    const metatags::PerTag<metatags::TagRead> &read, const GivenValues &given)
{
    metatags::PerTag<metatags::FieldValue> fields;
    for (const MetaTag field : AllMetaTags) {
        const metatags::TagRead &fromPage = read[field];
        const std::optional<QString> &typed = given[field];
        if (typed && !(fromPage.found() && fromPage.value.text == *typed))
            // As the editor's field would hold it; the encoding writes each break as CR LF.
            fields[field] = { metatags::WithPlainLineBreaks(*typed), std::nullopt };
        else if (fromPage.found())
            fields[field] = fromPage.value;
    }
    return fields;
}

// Whether every given value is what the page yields now: the same text, or
// empty for a value the page does not yield. Such an edit changes nothing.
bool isUnedited(const metatags::PerTag<metatags::TagRead> &read, const GivenValues &given)
{
    for (const MetaTag field : AllMetaTags) {
        const std::optional<QString> &typed = given[field];
        if (typed && *typed != read[field].value.text)
            return false;
    }
    return true;
}

QString shownValue(const metatags::TagRead &value)
{
    if (value.outcome != metatags::MetaTagRead::Outcome::Value)
        return QLatin1Char('(') + StatusName(value.outcome) + QLatin1Char(')');
    return QString::fromUtf8(JsonString(value.value.text));
}

// Whether the file a save writes (preamble, kept part, CR LF) differs from the
// page, compared piece by piece so that no second copy of the page is built.
bool saveChangesPage(
    const metatags::PerTag<metatags::FieldValue> &fields, QByteArrayView page, const metatags::PageEncoding &encoding)
{
    const std::optional<metatags::KeptPart> kept = metatags::FindKeptPart(page);
    if (!kept)
        return true;
    const QByteArray preamble = metatags::MetaPreamble(metatags::EncodeForPage(fields, encoding));
    return kept->start != preamble.size() || kept->start + kept->length + 2 != page.size() || !page.startsWith(preamble)
        || !page.endsWith("\r\n");
}

metatags::Result<void> mayWrite(
    const QString &path, const metatags::PerTag<metatags::FieldValue> &fields, QByteArrayView page, bool wholePage)
{
    for (const MetaTag field : AllMetaTags) {
        const metatags::FieldValue &value = fields[field];
        if (!value.sourceBytes && value.text.contains(QLatin1Char('>')))
            return metatags::FileError { path,
                Text::tr("the %1 value holds \">\", which the page could not give back: a value is read up to the "
                         "first \">\"")
                    .arg(ColumnName(field)) };
    }
    if (!wholePage && !metatags::FindKeptPart(page))
        return metatags::FileError { path,
            Text::tr("it has no <title> or <TITLE> tag, so the preamble would go in front of the whole page, once "
                     "more with every save (--whole-page writes it so)") };
    return {};
}

QStringList described(const PageEdit &edit, const metatags::PerTag<metatags::TagRead> &before,
    const metatags::PerTag<metatags::FieldValue> &fields, QByteArrayView page)
{
    const QString where = Printable(edit.source)
        + (edit.target == edit.source ? QString() : QStringLiteral(" -> ") + Printable(edit.target));
    QStringList lines { where + QStringLiteral(": ") + Text::tr("would change") };
    for (const MetaTag field : AllMetaTags) {
        // Only a typed value differs from the page; an untouched one keeps its bytes.
        const metatags::FieldValue &after = fields[field];
        if (after.sourceBytes)
            continue;
        lines.append(QStringLiteral("  %1: %2 -> %3")
                         .arg(ColumnName(field), shownValue(before[field]), QString::fromUtf8(JsonString(after.text))));
    }
    for (const QString &line : PageDropLines(page))
        lines.append(QStringLiteral("  ") + line);
    return lines;
}

metatags::Result<EditReport> runEdit(const PageEdit &edit, const EditOptions &options)
{
    metatags::Result<metatags::StampedPage> loaded = metatags::LoadPage(edit.source);
    if (!loaded)
        return loaded.error();
    QByteArray &page = loaded->bytes;
    // Read and typed values follow the encoding the page declares, found once
    // from the page as read.
    const metatags::PageEncoding encoding = metatags::SniffPageEncoding(page);
    const metatags::PerTag<metatags::TagRead> read
        = metatags::ReadMetaValues(page, encoding, metatags::ReadOrder::EachOnItsOwn);
    // Only the dry run tells of each page; a real run sums them up.
    const QStringList unchanged = options.dryRun
        ? QStringList { Printable(edit.source) + QStringLiteral(": ") + Text::tr("unchanged") }
        : QStringList();
    if (isUnedited(read, edit.values))
        return EditReport { false, unchanged };

    const metatags::PerTag<metatags::FieldValue> fields = fieldsAfterTyping(read, edit.values);
    if (const metatags::Result<void> allowed = mayWrite(edit.source, fields, page, options.wholePage); !allowed)
        return allowed.error();
    if (!saveChangesPage(fields, page, encoding))
        return EditReport { false, unchanged };
    const QFileInfo target(edit.target);
    if (options.dryRun) {
        // The save's own refusals, asked without saving.
        if (encoding.kind == metatags::PageEncoding::Kind::Utf16)
            return metatags::FileError { edit.target,
                Text::tr(
                    "it is in UTF-16 (it starts with a UTF-16 byte-order mark), which a save refuses: the meta lines "
                    "ahead of it would be in another encoding") };
        // A folder that the real run would make cannot be asked yet.
        if (!options.makeFolder || target.dir().exists()) {
            if (const metatags::Result<void> replaceable = metatags::CheckReplaceable(edit.target); !replaceable)
                return replaceable.error();
        }
        return EditReport { true, described(edit, read, fields, page) };
    }

    // A folder that cannot be made shows up as the save's own error.
    if (options.makeFolder)
        QDir().mkpath(target.path());
    // A page rewritten in place must still be the page that was read: another
    // program's change in the meantime is kept, and this row fails.
    const std::optional<metatags::FileStamp> expected
        = edit.target == edit.source ? std::optional(loaded->stamp) : std::nullopt;
    if (const metatags::Result<metatags::FileStamp> saved
        = metatags::SaveMetaPage(edit.target, fields, page, encoding, expected);
        !saved)
        return saved.error();
    return EditReport { true, {} };
}

} // namespace

metatags::Result<EditReport> RunEdit(const PageEdit &edit, const EditOptions &options)
{
    try {
        return runEdit(edit, options);
    } catch (const std::bad_alloc &) {
        // A save cut short this way has removed its temporary file while unwinding.
        return metatags::FileError { edit.source, Text::tr("there is not enough memory to read and write it") };
    }
}

} // namespace cli
