#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace cli {

// The text with every control character escaped as the sheet escapes it (\t,
// \n, \r, \\) or as \u001b, so that a file name or a cell can neither break a
// message's line nor send a terminal an escape sequence.
QString Printable(QStringView text);

// One line of standard error: "tagwright-batch: PATH[:LINE]: text\n", with the
// path made printable. A line of 0 is left out.
QByteArray Message(QStringView path, qint64 line, QStringView text);

// A count with its thousands grouped, "1,712", as the summary line shows it.
QString Count(qint64 number);

} // namespace cli
