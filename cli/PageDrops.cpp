#include "PageDrops.h"

#include "Message.h"

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

bool isSpace(char byte)
{
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\f';
}

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
        } else if (isSpace(byte) && at > 0 && !isSpace(inner[at - 1]) && ++words == 2) {
            break;
        }
    }
    QString shown = QLatin1Char('<') + QString::fromUtf8(inner.first(at));
    const bool cut = at < inner.size() && !inner.sliced(at).trimmed().isEmpty();
    if (shown.size() > LongestTagShown) {
        shown.truncate(LongestTagShown);
        shown += QStringLiteral(" \u2026");
    } else if (cut) {
        shown += QStringLiteral(" \u2026");
    }
    return shown + QLatin1Char('>');
}

DroppedPart summarise(QByteArrayView part)
{
    DroppedPart dropped { part.size(), {}, false };
    for (qsizetype at = 0; at < part.size();) {
        if (part[at] != '<') {
            dropped.text = dropped.text || !isSpace(part[at]);
            ++at;
            continue;
        }
        const qsizetype close = part.indexOf('>', at);
        const qsizetype end = close < 0 ? part.size() : close + 1;
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

PageDrops FindPageDrops(QByteArrayView page)
{
    const std::optional<metatags::KeptPart> kept = metatags::FindKeptPart(page);
    if (!kept)
        return {};
    PageDrops drops;
    drops.hasTitle = true;
    drops.titleTag = QString::fromLatin1(page.sliced(kept->start, 7));
    const QByteArrayView keptBytes = page.sliced(kept->start, kept->length);
    const qsizetype end = kept->start + kept->length;
    if (end < page.size() || keptBytes.endsWith("</html>") || keptBytes.endsWith("</HTML>"))
        drops.closingTag = QString::fromLatin1(keptBytes.last(7));
    drops.before = summarise(page.first(kept->start));
    drops.after = summarise(page.sliced(end));
    return drops;
}

QStringList DescribePageDrops(const PageDrops &drops)
{
    if (!drops.hasTitle)
        return { Text::tr("has no <title> tag: the preamble goes in front of the whole page") };
    QStringList lines;
    if (drops.before.text || !drops.before.tags.isEmpty())
        lines.append(describe(drops.before, Text::tr("before %1").arg(drops.titleTag)));
    if (drops.after.text || !drops.after.tags.isEmpty())
        lines.append(describe(drops.after, Text::tr("after %1").arg(drops.closingTag)));
    return lines;
}

} // namespace cli
