#pragma once

#include <QByteArrayView>
#include <QString>

namespace bench {

// The tag word that a generated page never holds, so that looking for it
// scans the whole page. The page has a lower-case "keywords" tag instead, as
// many real pages do, and its text has "Key" and "Words" all over it.
inline constexpr QByteArrayView AbsentWord = "KeyWords";

// Writes an HTML page of exactly size bytes to path: a head with meta tags and
// a title, a long body of tables, links and prose, and "</html>" at the end.
// The page is written in small pieces, so making a large one costs no memory.
// Returns false when the file cannot be written.
bool WriteGeneratedPage(const QString &path, qint64 size);

} // namespace bench
