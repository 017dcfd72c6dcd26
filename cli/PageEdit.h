#pragma once

#include "ColumnName.h"

#include <FileError.h>
#include <MetaPageJobs.h>
#include <Result.h>

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace cli {

// One page to rewrite: read from source, written to target (the same path
// unless the result goes elsewhere).
struct PageEdit
{
    QString source;
    QString target;
    GivenValues values;
};

struct EditOptions
{
    bool dryRun;
    bool wholePage; // write a page without a title tag whole behind the preamble
    bool makeFolder; // create the target's folder when it is missing
};

struct EditReport
{
    bool changed; // whether the target was (or would be) written
    QStringList lines; // for a dry run, what would be written and dropped
};

// Writes the target as the editor's Save does after the same typing, unless
// the edit changes nothing: then nothing is written at all. Refuses a page
// without a title tag (unless options.wholePage) and a typed value holding
// ">", which a page cannot give back. A dry run decides the same and writes
// nothing, holding no copy of the page beside the page itself.
metatags::Result<EditReport> RunEdit(const PageEdit &edit, const EditOptions &options);

} // namespace cli
