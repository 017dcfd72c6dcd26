#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace cli {

// A part of a page that a save leaves out, summarised for a person.
struct DroppedPart
{
    qsizetype bytes = 0;
    QStringList tags; // each tag shortened to its name and first attribute, in page order
    bool text = false; // whether it holds anything besides tags and white space
};

// What a save drops from a page: everything before its title tag and after
// its closing html tag. Tags that the preamble writes again (<html>, <head>
// and the meta tags it holds) are no loss and are left out of the tags.
struct PageDrops
{
    bool hasTitle = false; // without a title tag the whole page is kept behind the preamble
    QString titleTag; // "<title>" or "<TITLE>", as the page has it
    QString closingTag; // "</html>" or "</HTML>", or empty when the page has none behind the title
    DroppedPart before;
    DroppedPart after;
};

PageDrops FindPageDrops(QByteArrayView page);

// One line for each part that loses something, such as
// `drops 312 bytes before <title>: <!DOCTYPE html>, <meta charset="utf-8">`.
// A part of only white space and tags the preamble writes again loses nothing.
QStringList DescribePageDrops(const PageDrops &drops);

} // namespace cli
