#pragma once

#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <optional>

namespace cli {

// One cell of a tab-separated sheet. A tab, a line break or a backslash in the
// text would break the sheet's rows and columns, so they are written as the
// escapes \t, \n, \r and \\. A cell that would begin with a double quote is
// put in quotes with its inner quotes doubled, as spreadsheets write it, so
// that a spreadsheet reads the quote as part of the text.
QString EscapeCell(QStringView text);

// The escape for a backslash, tab, line feed or carriage return ("\\t" for a
// tab), or nothing for any other character. JSON strings use the same ones.
std::optional<QLatin1StringView> ShortEscape(QChar character);

// The text of a cell as EscapeCell or a spreadsheet wrote it, or nothing when
// the cell holds a backslash that starts no escape, or broken quotes.
std::optional<QString> UnescapeCell(QStringView cell);

} // namespace cli
