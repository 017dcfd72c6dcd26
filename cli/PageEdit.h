#pragma once

#include "MetaField.h"

#include <FileError.h>
#include <MetaPageJobs.h>
#include <Result.h>

#include <QString>
#include <QStringList>

#include <optional>

namespace cli {

// The fields as the editor holds them when it was started, the page was read
// with the Open button and the given values were typed. A given value equal to
// the page's own stays untouched and keeps its bytes; a value neither given
// nor found in the page is empty, as the field is after start-up.
metatags::MetaFields FieldsAfterTyping(const metatags::PageValues &read, const GivenValues &given);

// One page to rewrite: read from source, written to target (the same path
// unless the result goes elsewhere).
struct PageEdit
{
    QString source;
    QString target;
    GivenValues values;
};

// Writes the target exactly as the editor's Save does after the same typing.
std::optional<metatags::FileError> ApplyEdit(const PageEdit &edit);

// What ApplyEdit would do, in lines for a person to read; nothing is written.
metatags::Result<QStringList> DescribeEdit(const PageEdit &edit);

} // namespace cli
