#pragma once

#include "ShownPage.h"

#include <QByteArray>
#include <QString>

namespace cli {

// The suffix of the columns that say how each value was read: "title_status".
inline constexpr QLatin1StringView StatusColumnSuffix("_status");

// The text as a JSON string literal, quotes included, in UTF-8.
QByteArray JsonString(QStringView text);

// The sheet's header line: path, the three values, then their status.
QByteArray SheetHeader();

// One page as a line of the tab-separated sheet, in UTF-8.
QByteArray SheetLine(const ShownPage &page);

// One page as a JSON object on one line, with the sheet's column names as
// keys; a value that is not found is null.
QByteArray JsonLine(const ShownPage &page);

} // namespace cli
