#pragma once

#include "MetaField.h"

#include <QByteArrayView>
#include <QString>

#include <vector>

namespace cli {

// One row of a sheet: the page and the values to write into it. A column that
// the sheet does not have gives no value, so the page's own is kept.
struct SheetRow
{
    int line = 0; // counted from 1, as an editor shows it
    QString path;
    GivenValues values;
    QString error; // why the row cannot be used; empty when it can
};

struct Sheet
{
    QString error; // why the sheet as a whole cannot be used; empty when it can
    std::vector<SheetRow> rows;
};

// Reads a sheet as `show` writes it: tab-separated with a header line, or JSON
// lines. The columns are found by the names in the header, in any order; the
// status columns are ignored. Blank lines, a UTF-8 byte-order mark and CR LF
// line ends (as spreadsheets write them) are allowed.
Sheet ReadSheet(QByteArrayView bytes);

} // namespace cli
