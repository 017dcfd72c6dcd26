#pragma once

#include "PageMetaTags.h"

#include <TrimPageToTitle.h>

#include <QByteArrayView>
#include <QStringList>

#include <optional>

namespace cli {

// What a save removes ahead of the title tag that the page needs: its
// DOCTYPE, a charset declaration (<meta charset> or an http-equiv
// Content-Type with a charset) and a viewport tag, each as it stands in the
// page, shortened. Empty when the page has no title tag (it is written whole)
// or nothing of the kind stands before it. kept is the page's FindKeptPart,
// tags its MetaTagsIn, which audit has at hand already.
QStringList HeadDropsOf(QByteArrayView page, const std::optional<metatags::KeptPart> &kept, const MetaTags &tags);

} // namespace cli
