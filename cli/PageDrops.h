#pragma once

#include <QByteArrayView>
#include <QStringList>

namespace cli {

// What a save drops from a page, everything before its title tag and after
// its closing html tag, as one line for each part that loses something, such
// as `drops 312 bytes before <title>: <!DOCTYPE html>, <meta charset="utf-8">`.
// Tags are shortened to their name and first attribute; a part of only white
// space and tags that the preamble writes again (<html>, <head> and the meta
// tags it holds) loses nothing.
QStringList PageDropLines(QByteArrayView page);

} // namespace cli
