#pragma once

#include "MetaField.h"

#include <QByteArrayView>
#include <QString>

#include <array>

namespace cli {

enum class ValueStatus {
    Found, // the page yields a value, possibly empty
    Missing, // the tag word is not in the page
    Unusable, // the word is there, but no value can be cut behind it
};

// "found", "missing" or "unusable".
QString StatusName(ValueStatus status);

struct ShownValue
{
    ValueStatus status = ValueStatus::Missing;
    QString text;
};

// A page's three values as the editor's Open button reads them, decoded by the
// page's encoding, with the reason for each value that is not found.
struct ShownPage
{
    QString path;
    std::array<ShownValue, 3> values;
};

ShownPage ShowPage(const QString &path, QByteArrayView page);

} // namespace cli
