#include "ColumnName.h"

namespace cli {

QString ColumnName(MetaTag tag)
{
    return QString::fromLatin1(metatags::TagWord(tag)).toLower();
}

} // namespace cli
