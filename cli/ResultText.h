#pragma once

#include <QString>
#include <QStringView>

namespace cli {

// A meta value as a search result shows it: runs of white space as one space,
// none at either end, and numeric character references and the common named
// ones (&amp; &lt; &gt; &quot; &apos; &nbsp;) as the characters they stand for.
// Other named references are left as they are written.
QString ResultText(const QString &value);

// The number of characters a person counts: a character outside the Basic
// Multilingual Plane is one, not two UTF-16 units.
qsizetype CharacterCount(QStringView text);

} // namespace cli
