#include "GeneratedPage.h"

#include <QByteArray>
#include <QFile>

#include <array>

namespace bench {

namespace {

constexpr QByteArrayView Head = "<!DOCTYPE html>\r\n"
                                "<html lang=\"en\">\r\n"
                                "<head>\r\n"
                                "<meta charset=\"utf-8\">\r\n"
                                "<meta name=\"Title\" content=\"Tables of Data and Key Figures\">\r\n"
                                "<meta name=\"Description\" content=\"Daily Tables, Details and Downloads\">\r\n"
                                "<meta name=\"keywords\" content=\"data, tables, key words, downloads\">\r\n"
                                "<title>Tables of Data and Key Figures</title>\r\n"
                                "<link rel=\"stylesheet\" href=\"Tables.css\">\r\n"
                                "</head>\r\n"
                                "<body>\r\n";

constexpr QByteArrayView Tail = "</body>\r\n</html>\r\n";

// Capitalised words that share letters and letter pairs with the tag words,
// so that a search for them finds many near misses, as in real text.
constexpr std::array<QByteArrayView, 40> Words = { "Tag", "Tags", "Data", "Key", "Keys", "Keyboard", "Words", "Word",
    "Title", "Titles", "Description", "Document", "Table", "Kit", "Download", "Details", "Topic", "Text", "Date",
    "Knowledge", "the", "of", "and", "to", "with", "records", "order", "words", "keyed", "value", "meta", "content",
    "page", "Kernel", "Desk", "Tools", "Key-Words", "Keys:", "Wordsmith", "Dark" };

constexpr std::array<QByteArrayView, 10> Openers = { "<p>", "<td>", "<tr><td>", "<li>", "<b>", "<div class=\"Key\">",
    "<h2>", "<span class=\"Data\">", "<dt>", "<dd>" };

constexpr std::array<QByteArrayView, 10> Closers = { "</p>\r\n", "</td>", "</td></tr>\r\n", "</li>\r\n", "</b> ",
    "</div>\r\n", "</h2>\r\n", "</span> ", "</dt>", "</dd>\r\n" };

// A fixed sequence, so that every run measures the same page.
class Sequence
{
public:
    std::size_t next(std::size_t bound)
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return static_cast<std::size_t>(m_state % bound);
    }

private:
    quint64 m_state = 0x9E3779B97F4A7C15ULL;
};

void appendElement(QByteArray &out, Sequence &sequence)
{
    const std::size_t kind = sequence.next(Openers.size());
    out.append(Openers[kind]);
    const std::size_t wordCount = 3 + sequence.next(12);
    for (std::size_t i = 0; i < wordCount; ++i) {
        if (i > 0)
            out.append(' ');
        if (sequence.next(16) == 0)
            out.append("<a href=\"Docs/Key_Words.html\">").append(Words[sequence.next(Words.size())]).append("</a>");
        else
            out.append(Words[sequence.next(Words.size())]);
    }
    out.append(Closers[kind]);
}

} // namespace

bool WriteGeneratedPage(const QString &path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;

    constexpr qsizetype PieceSize = 64 * 1024;
    // No element is longer than this, so one always fits in the room left.
    constexpr qsizetype LongestElement = 1024;
    const qint64 bodyEnd = size - Tail.size();
    if (bodyEnd < Head.size())
        return false;

    QByteArray piece;
    piece.reserve(PieceSize + LongestElement);
    piece.append(Head);
    qint64 written = 0;
    Sequence sequence;
    while (written + piece.size() < bodyEnd) {
        if (bodyEnd - written - piece.size() < LongestElement) {
            // Fill what is left with blanks, which a browser ignores.
            piece.append(QByteArray(bodyEnd - written - piece.size(), ' '));
            break;
        }
        appendElement(piece, sequence);
        if (piece.size() >= PieceSize) {
            if (file.write(piece) != piece.size())
                return false;
            written += piece.size();
            piece.clear();
        }
    }
    piece.append(Tail);
    return file.write(piece) == piece.size() && file.flush();
}

} // namespace bench
