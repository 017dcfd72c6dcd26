#include "SheetReader.h"

#include "Message.h"
#include "SheetCell.h"
#include "SheetFormat.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <new>
#include <variant>

namespace cli {

namespace {

// The context the messages are translated in.
struct Text
{
    Q_DECLARE_TR_FUNCTIONS(SheetReader)
};

// The physical lines of the device, each with its line end, read in blocks so
// that a line without end costs no more than the limit.
class LineSource
{
public:
    LineSource(QIODevice &device, qint64 limit)
        : m_device(device)
        , m_limit(limit)
    { }

    // The next line, or nothing at the end or past the limit.
    std::optional<QByteArray> next()
    {
        QByteArray line;
        while (!m_tooLarge) {
            if (m_at == m_block.size() && !refill())
                break;
            const qsizetype lineEnd = m_block.indexOf('\n', m_at);
            const qsizetype end = lineEnd < 0 ? m_block.size() : lineEnd + 1;
            line.append(m_block.constData() + m_at, end - m_at);
            m_at = end;
            if (lineEnd >= 0)
                break;
        }
        if (line.isEmpty() || m_tooLarge)
            return std::nullopt;
        if (m_number == 0 && line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
        ++m_number;
        return line;
    }

    // Counts what a row read from the lines takes in memory against the same
    // limit, so that a sheet of many tiny rows is bounded too.
    void charge(qint64 bytes)
    {
        m_read += bytes;
        m_tooLarge = m_tooLarge || m_read > m_limit;
    }

    qint64 number() const { return m_number; }
    bool tooLarge() const { return m_tooLarge; }

private:
    bool refill()
    {
        constexpr qint64 BlockSize = 64 * 1024;
        m_block.resize(BlockSize);
        const qint64 read = m_device.read(m_block.data(), BlockSize);
        m_block.resize(std::max<qint64>(read, 0));
        m_at = 0;
        charge(m_block.size());
        return !m_block.isEmpty();
    }

    QIODevice &m_device;
    qint64 m_limit;
    QByteArray m_block;
    qsizetype m_at = 0;
    qint64 m_read = 0;
    qint64 m_number = 0;
    bool m_tooLarge = false;
};

// Drops the line end, and any further carriage returns before it, which a
// sheet passed through two CR LF conversions carries.
QByteArrayView withoutLineEnd(QByteArrayView line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    while (line.endsWith('\r'))
        line.chop(1);
    return line;
}

// One row of a tab-separated sheet: its first line, its text and its cells as
// written, quotes included. A cell that begins with a quote runs to its
// closing quote, over tabs and lines, so a cell is always one span of text.
struct Record
{
    qint64 line = 0;
    QByteArray text;
    std::vector<std::pair<qsizetype, qsizetype>> cells; // start and length in text
    bool unclosedQuote {};

    QByteArrayView cell(std::size_t i) const { return QByteArrayView(text).sliced(cells[i].first, cells[i].second); }
};

// The record that begins with text (a line that holds something), reading
// on while a quoted cell is open.
Record recordFrom(LineSource &lines, QByteArray text)
{
    Record record { lines.number(), std::move(text), {}, {} };
    qsizetype cellStart = 0;
    qsizetype at = 0;
    bool quoted = false;
    for (;;) {
        const QByteArray &all = record.text;
        const qsizetype contentEnd = withoutLineEnd(all).size();
        // Outside quotes the line end closes the record; inside, the line
        // break belongs to the value, as written.
        for (; at < all.size() && (quoted || at < contentEnd); ++at) {
            const char byte = all[at];
            if (byte == '"' && (at == cellStart || all[cellStart] == '"'))
                quoted = at == cellStart || !quoted;
            else if (byte == '\t' && !quoted) {
                record.cells.emplace_back(cellStart, at - cellStart);
                cellStart = at + 1;
            }
        }
        if (!quoted) {
            record.cells.emplace_back(cellStart, at - cellStart);
            return record;
        }
        std::optional<QByteArray> next = lines.next();
        if (!next) {
            record.cells.emplace_back(cellStart, all.size() - cellStart);
            record.unclosedQuote = true;
            return record;
        }
        record.text.append(*next);
    }
}

// The next line that holds anything, or nothing at the end.
std::optional<QByteArray> nextFilledLine(LineSource &lines)
{
    std::optional<QByteArray> text = lines.next();
    while (text && withoutLineEnd(*text).trimmed().isEmpty())
        text = lines.next();
    return text;
}

std::optional<MetaTag> fieldNamed(QStringView name)
{
    for (const MetaTag field : AllMetaTags) {
        if (name == ColumnName(field))
            return field;
    }
    return std::nullopt;
}

bool isStatusName(QStringView name)
{
    return name.endsWith(StatusColumnSuffix) && fieldNamed(name.chopped(StatusColumnSuffix.size()));
}

// What a column of a tab-separated sheet holds: the path, a value, or
// nothing that is read (a status).
struct Column
{
    enum class Kind { Path, Value, Ignored } kind = Kind::Ignored;
    MetaTag field = MetaTag::Title;
};
using Columns = std::vector<Column>;

std::variant<Columns, QString> readHeader(const Record &record)
{
    Columns header;
    QStringList seen;
    bool hasPath = false;
    if (!QByteArrayView(record.text).isValidUtf8())
        return Text::tr("The header line is not UTF-8 text.");
    for (std::size_t i = 0; i < record.cells.size(); ++i) {
        const QString cell = QString::fromUtf8(record.cell(i));
        const QString name = UnescapeCell(cell).value_or(cell).trimmed().toLower();
        const QString quoted = QLatin1Char('"') + Printable(cell) + QLatin1Char('"');
        if (seen.contains(name))
            return Text::tr("The header names the column %1 twice.").arg(quoted);
        seen.append(name);
        if (name == QLatin1String("path")) {
            header.push_back({ Column::Kind::Path });
            hasPath = true;
        } else if (const std::optional<MetaTag> field = fieldNamed(name)) {
            header.push_back({ Column::Kind::Value, *field });
        } else if (isStatusName(name)) {
            header.push_back({ Column::Kind::Ignored });
        } else {
            return Text::tr("The header has a column %1; the columns are path, title, description, keywords and "
                            "their *_status columns.")
                .arg(quoted);
        }
    }
    if (!hasPath)
        return Text::tr("The header has no \"path\" column.");
    return header;
}

SheetRow readTabRow(const Columns &header, const Record &record)
{
    SheetRow row { record.line, {}, {}, {} };
    if (record.unclosedQuote) {
        row.error = Text::tr("A quote that opens a cell is never closed.");
        return row;
    }
    if (record.cells.size() != header.size()) {
        row.error = Text::tr("The line has %1 columns, the header %2.").arg(record.cells.size()).arg(header.size());
        return row;
    }
    const bool utf8 = QByteArrayView(record.text).isValidUtf8();
    for (std::size_t i = 0; i < record.cells.size(); ++i) {
        const Column &column = header[i];
        if (column.kind == Column::Kind::Ignored)
            continue;
        const QString name = column.kind == Column::Kind::Path ? QStringLiteral("path") : ColumnName(column.field);
        if (!utf8 && !QByteArrayView(record.cell(i)).isValidUtf8()) {
            row.error = Text::tr("The %1 cell is not UTF-8 text.").arg(name);
            return row;
        }
        QString cell = QString::fromUtf8(record.cell(i));
        // Most cells hold neither quotes nor escapes: they are the text as it is.
        std::optional<QString> text = cell.startsWith(QLatin1Char('"')) || cell.contains(QLatin1Char('\\'))
            ? UnescapeCell(cell)
            : std::move(cell);
        if (!text) {
            row.error = Text::tr("The %1 cell has a backslash that starts none of the escapes \\\\, \\t, \\n, \\r, or "
                                 "broken quotes.")
                            .arg(name);
            return row;
        }
        if (column.kind == Column::Kind::Path)
            row.path = std::move(*text);
        else
            row.values[column.field] = std::move(*text);
    }
    return row;
}

SheetRow readJsonRow(qint64 line, QByteArrayView bytes)
{
    SheetRow row { line, {}, {}, {} };
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &parseError);
    if (!document.isObject()) {
        row.error = parseError.error != QJsonParseError::NoError
            ? Text::tr("The line is not JSON: %1.").arg(parseError.errorString())
            : Text::tr("The line is not a JSON object.");
        return row;
    }
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        if (key == QLatin1String("path")) {
            if (it.value().isString())
                row.path = it.value().toString();
            else
                row.error = Text::tr("\"path\" is not text.");
        } else if (const std::optional<MetaTag> field = fieldNamed(key)) {
            if (it.value().isString())
                row.values[*field] = it.value().toString();
            else if (!it.value().isNull())
                row.error = Text::tr("\"%1\" is neither text nor null.").arg(key);
        } else if (!isStatusName(key)) {
            row.error = Text::tr("The line has a key \"%1\"; the keys are path, title, description, keywords and their "
                                 "*_status keys.")
                            .arg(Printable(key));
        }
    }
    return row;
}

// What a row takes in memory beside its text, from here to the end of the run.
constexpr qint64 RowCost = 256;

// Keeps a row, refused when it names its page in a way no file name can.
void addRow(LineSource &lines, Sheet &sheet, SheetRow row)
{
    if (row.error.isEmpty() && row.path.isEmpty())
        row.error = Text::tr("The line names no page.");
    else if (row.error.isEmpty() && row.path.contains(QChar(0)))
        row.error = Text::tr("The path holds a NUL character, which no file name can.");
    lines.charge(RowCost);
    sheet.rows.push_back(std::move(row));
}

void readRows(LineSource &lines, Sheet &sheet)
{
    std::optional<QByteArray> first = nextFilledLine(lines);
    if (!first) {
        if (!lines.tooLarge())
            sheet.error = Text::tr("The sheet is empty.");
        return;
    }

    if (first->startsWith('{')) {
        // JSON strings hold no raw line breaks: every line is one row.
        for (std::optional<QByteArray> text = std::move(first); text; text = nextFilledLine(lines)) {
            addRow(lines, sheet, readJsonRow(lines.number(), withoutLineEnd(*text)));
        }
        return;
    }

    const Record headerRecord = recordFrom(lines, std::move(*first));
    auto read = readHeader(headerRecord);
    if (QString *error = std::get_if<QString>(&read)) {
        sheet.error = *error;
        sheet.errorLine = headerRecord.line;
        return;
    }
    const Columns header = std::get<Columns>(std::move(read));
    while (std::optional<QByteArray> text = nextFilledLine(lines)) {
        addRow(lines, sheet, readTabRow(header, recordFrom(lines, std::move(*text))));
    }
}

} // namespace

Sheet ReadSheet(QIODevice &device, qint64 limit)
{
    Sheet sheet;
    LineSource lines(device, limit);
    try {
        readRows(lines, sheet);
    } catch (const std::bad_alloc &) {
        sheet = {};
        sheet.error = Text::tr("The sheet does not fit in memory.");
        return sheet;
    }
    if (lines.tooLarge()) {
        sheet.error
            = Text::tr("The sheet is larger than %1 bytes (counting %2 bytes for each row); split it into smaller "
                       "sheets.")
                  .arg(Count(limit))
                  .arg(RowCost);
    }
    if (!sheet.error.isEmpty())
        sheet.rows.clear();
    return sheet;
}

} // namespace cli
