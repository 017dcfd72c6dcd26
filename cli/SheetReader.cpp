#include "SheetReader.h"

#include "SheetCell.h"
#include "SheetFormat.h"

#include <PageEncoding.h>

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <variant>

namespace cli {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SheetReader", text);
}

struct Line
{
    int number = 0;
    QByteArrayView bytes;
};

// The lines that hold anything, each without its line end.
std::vector<Line> linesOf(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    std::vector<Line> lines;
    int number = 0;
    while (!bytes.isEmpty()) {
        ++number;
        const qsizetype end = bytes.indexOf('\n');
        QByteArrayView line = end < 0 ? bytes : bytes.first(end);
        bytes = end < 0 ? QByteArrayView() : bytes.sliced(end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            lines.push_back({ number, line });
    }
    return lines;
}

std::optional<MetaField> fieldNamed(QStringView name)
{
    for (const MetaField field : AllMetaFields) {
        if (name == ColumnName(field))
            return field;
    }
    return std::nullopt;
}

bool isStatusName(QStringView name)
{
    return name.endsWith(StatusColumnSuffix) && fieldNamed(name.chopped(StatusColumnSuffix.size()));
}

// What each column of a tab-separated sheet holds.
struct Columns
{
    enum class Kind { Path, Value, Ignored };
    struct Column
    {
        Kind kind = Kind::Ignored;
        MetaField field = MetaField::Title;
    };
    std::vector<Column> columns;
};

std::variant<Columns, QString> readHeader(const Line &line)
{
    if (!metatags::IsValidUtf8(line.bytes))
        return tr("The header line is not UTF-8 text.");
    Columns header;
    QStringList seen;
    bool hasPath = false;
    for (const QString &cell : QString::fromUtf8(line.bytes).split(QLatin1Char('\t'))) {
        const QString name = cell.trimmed().toLower();
        if (seen.contains(name))
            return tr("The header names the column \"%1\" twice.").arg(name);
        seen.append(name);
        if (name == QLatin1String("path")) {
            header.columns.push_back({ Columns::Kind::Path });
            hasPath = true;
        } else if (const std::optional<MetaField> field = fieldNamed(name)) {
            header.columns.push_back({ Columns::Kind::Value, *field });
        } else if (isStatusName(name)) {
            header.columns.push_back({ Columns::Kind::Ignored });
        } else {
            return tr("The header has a column \"%1\"; the columns are path, title, description, keywords and "
                      "their *_status columns.")
                .arg(name);
        }
    }
    if (!hasPath)
        return tr("The header has no \"path\" column.");
    return header;
}

SheetRow readTabRow(const Columns &header, const Line &line)
{
    SheetRow row { line.number, {}, {}, {} };
    if (!metatags::IsValidUtf8(line.bytes)) {
        row.error = tr("The line is not UTF-8 text.");
        return row;
    }
    const QStringList cells = QString::fromUtf8(line.bytes).split(QLatin1Char('\t'));
    if (static_cast<std::size_t>(cells.size()) != header.columns.size()) {
        row.error = tr("The line has %1 columns, the header %2.").arg(cells.size()).arg(header.columns.size());
        return row;
    }
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const Columns::Column &column = header.columns[static_cast<std::size_t>(i)];
        if (column.kind == Columns::Kind::Ignored)
            continue;
        std::optional<QString> text = UnescapeCell(cells[i]);
        if (!text) {
            const QString name = column.kind == Columns::Kind::Path ? QStringLiteral("path") : ColumnName(column.field);
            row.error = tr("The %1 cell has a backslash that starts none of the escapes \\\\, \\t, \\n, \\r, or "
                           "broken quotes.")
                            .arg(name);
            return row;
        }
        if (column.kind == Columns::Kind::Path)
            row.path = std::move(*text);
        else
            row.values[IndexOf(column.field)] = std::move(*text);
    }
    return row;
}

SheetRow readJsonRow(const Line &line)
{
    SheetRow row { line.number, {}, {}, {} };
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line.bytes.toByteArray(), &parseError);
    if (!document.isObject()) {
        row.error = parseError.error != QJsonParseError::NoError
            ? tr("The line is not JSON: %1.").arg(parseError.errorString())
            : tr("The line is not a JSON object.");
        return row;
    }
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        if (key == QLatin1String("path")) {
            row.path = it.value().toString();
        } else if (const std::optional<MetaField> field = fieldNamed(key)) {
            if (it.value().isString())
                row.values[IndexOf(*field)] = it.value().toString();
            else if (!it.value().isNull())
                row.error = tr("\"%1\" is neither text nor null.").arg(key);
        } else if (!isStatusName(key)) {
            row.error = tr("The line has a key \"%1\"; the keys are path, title, description, keywords and their "
                           "*_status keys.")
                            .arg(key);
        }
    }
    return row;
}

} // namespace

Sheet ReadSheet(QByteArrayView bytes)
{
    const std::vector<Line> lines = linesOf(bytes);
    Sheet sheet;
    if (lines.empty()) {
        sheet.error = tr("The sheet is empty.");
        return sheet;
    }

    const bool jsonLines = lines.front().bytes.startsWith('{');
    Columns header;
    if (!jsonLines) {
        auto read = readHeader(lines.front());
        if (QString *error = std::get_if<QString>(&read)) {
            sheet.error = tr("Line %1: %2").arg(lines.front().number).arg(*error);
            return sheet;
        }
        header = std::get<Columns>(std::move(read));
    }

    for (std::size_t i = jsonLines ? 0 : 1; i < lines.size(); ++i) {
        SheetRow row = jsonLines ? readJsonRow(lines[i]) : readTabRow(header, lines[i]);
        if (row.error.isEmpty() && row.path.isEmpty())
            row.error = tr("The line names no page.");
        sheet.rows.push_back(std::move(row));
    }
    return sheet;
}

} // namespace cli
