#pragma once

#include "ColumnName.h"

#include <QString>

#include <vector>

class QIODevice;

namespace cli {

// One row of a sheet: the page and the values to write into it. A column that
// the sheet does not have gives no value, so the page's own is kept.
struct SheetRow
{
    qint64 line = 0; // where the row begins, counted from 1 as an editor shows it
    QString path;
    GivenValues values;
    QString error; // why the row cannot be used; empty when it can
};

struct Sheet
{
    QString error; // why the sheet as a whole cannot be used; empty when it can
    qint64 errorLine = 0; // the line the error is on, or 0 for the sheet as a whole
    std::vector<SheetRow> rows;
};

// A sheet larger than this is refused rather than read on without end: a pipe
// that never stops or a device given as the sheet.
inline constexpr qint64 SheetSizeLimit = 1LL << 30;

// Reads a sheet as `show` writes it: tab-separated with a header line, or JSON
// lines. The columns are found by the names in the header, in any order; the
// status columns are ignored. Blank lines, a UTF-8 byte-order mark, CR LF line
// ends and quoted cells holding tabs and line breaks (as spreadsheets write
// them) are allowed. The device is read line by line, so that a header that
// is no header stops the reading at once; past limit bytes the sheet is
// refused, as is a sheet whose rows do not fit in memory.
Sheet ReadSheet(QIODevice &device, qint64 limit = SheetSizeLimit);

} // namespace cli
