#pragma once

#include "ColumnName.h"

#include <MetaPageJobs.h>

#include <QByteArrayView>
#include <QString>

namespace cli {

// "found", "missing" or "unusable".
QString StatusName(metatags::MetaTagRead::Outcome outcome);

// A page's three values as the editor's Open button reads them, decoded by the
// page's encoding, with the outcome for each value that is not found.
struct ShownPage
{
    QString path;
    metatags::PerTag<metatags::TagRead> values;
};

ShownPage ShowPage(const QString &path, QByteArrayView page);

} // namespace cli
