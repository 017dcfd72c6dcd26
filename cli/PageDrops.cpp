#include "PageDrops.h"

#include "Message.h"
#include "PageMetaTags.h"

#include <TrimPageToTitle.h>

#include <QCoreApplication>

#include <array>

namespace cli {

namespace {

// The context the messages are translated in.
struct Text
{
    Q_DECLARE_TR_FUNCTIONS(PageDrops)
};

constexpr qsizetype MostTagsShown = 8;
constexpr qsizetype LongestTagShown = 60;

// The preamble writes these again, so dropping them from the head loses nothing.
bool preambleWritesAgain(QByteArrayView tag)
{
    const QByteArray lower = tag.toByteArray().toLower();
    if (lower == "<html>" || lower == "<head>")
        return true;
    static constexpr std::array<QByteArrayView, 5> Words
        = { "Author", "GENERATOR", "Title", "Description", "KeyWords" };
    for (const QByteArrayView word : Words) {
        if (tag.startsWith(QByteArray(R"(<meta name=")").append(word).append('"')))
            return true;
    }
    return false;
}

// "<meta name="viewport" content="...">" as "<meta name="viewport" …>": the
// tag's name and first attribute tell which tag it is.
QString shortened(QByteArrayView tag)
{
    const bool closed = tag.endsWith('>');
    const QByteArrayView inner = tag.sliced(1, tag.size() - (closed ? 2 : 1));
    qsizetype at = 0;
    int words = 0;
    bool quoted = false;
    char quote = 0;
    for (; at < inner.size(); ++at) {
        const char byte = inner[at];
        if (quoted) {
            quoted = byte != quote;
        } else if (byte == '"' || byte == '\'') {
            quoted = true;
            quote = byte;
        } else if (IsHtmlSpace(byte) && at > 0 && !IsHtmlSpace(inner[at - 1]) && ++words == 2) {
            break;
        }
    }
    QString shown = QLatin1Char('<') + QString::fromUtf8(inner.first(at));
    const bool cut = !inner.sliced(at).trimmed().isEmpty();
    if (shown.size() > LongestTagShown) {
        shown.truncate(LongestTagShown);
        shown += QStringLiteral(" \u2026");
    } else if (cut) {
        shown += QStringLiteral(" \u2026");
    }
    return shown + QLatin1Char('>');
}

// A part of a page that a save leaves out, summarised for a person.
struct DroppedPart
{
    qsizetype bytes;
    QStringList tags; // each tag shortened, in page order
    bool text; // whether it holds anything besides tags and white space
};

DroppedPart summarise(QByteArrayView part)
{
    DroppedPart dropped { part.size(), {}, false };
    for (qsizetype at = 0; at < part.size();) {
        if (part[at] != '<') {
            dropped.text = dropped.text || !IsHtmlSpace(part[at]);
            ++at;
            continue;
        }
        const qsizetype close = part.indexOf('>', at);
        const qsizetype end = close == -1 ? part.size() : close + 1;
        const QByteArrayView tag = part.sliced(at, end - at);
        // A closing tag says nothing that its opening tag has not said.
        if (!tag.startsWith("</") && !preambleWritesAgain(tag))
            dropped.tags.append(shortened(tag));
        at = end;
    }
    return dropped;
}

QString describe(const DroppedPart &part, const QString &where)
{
    QStringList shown = part.tags.mid(0, MostTagsShown);
    if (part.tags.size() > MostTagsShown)
        shown.append(Text::tr("%1 more tags").arg(part.tags.size() - MostTagsShown));
    if (part.text)
        shown.append(Text::tr("text"));
    return Text::tr("drops %1 bytes %2: %3").arg(Count(part.bytes), where, Printable(shown.join(QStringLiteral(", "))));
}

} // namespace

QStringList PageDropLines(QByteArrayView page)
{
    const std::optional<metatags::KeptPart> kept = metatags::FindKeptPart(page);
    if (!kept)
        return { Text::tr("has no <title> tag: the preamble goes in front of the whole page") };
    // The kept part begins with the title tag and, when anything follows it,
    // ends with the closing tag, as the page writes them.
    const QByteArrayView keptBytes = page.sliced(kept->start, kept->length);
    QStringList lines;
    for (const auto &[part, where] : {
             std::pair(page.first(kept->start), Text::tr("before %1").arg(QString::fromLatin1(keptBytes.first(7)))),
             std::pair(page.sliced(kept->start + kept->length),
                 Text::tr("after %1").arg(QString::fromLatin1(keptBytes.last(7)))),
         }) {
        const DroppedPart dropped = summarise(part);
        if (dropped.text || !dropped.tags.isEmpty())
            lines.append(describe(dropped, where));
    }
    return lines;
}

} // namespace cli
