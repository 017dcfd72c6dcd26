#pragma once

#include "PageEncoding.h"

#include <QByteArrayView>

#include <optional>

namespace metatags {

// The encoding a page declares in its first 1024 bytes, found as a browser's
// prescan finds it: the first <meta charset="..."> or <meta
// http-equiv="Content-Type" content="...; charset=..."> whose label names an
// encoding Qt can decode. Names and values count in any case, quoted or not;
// comments and the attributes of other tags are passed over, and a tag that
// does not end within the 1024 bytes is not read.
std::optional<PageEncoding> DeclaredPageEncoding(QByteArrayView page);

} // namespace metatags
