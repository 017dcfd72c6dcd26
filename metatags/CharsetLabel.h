#pragma once

#include "PageEncoding.h"

#include <QByteArrayView>

#include <optional>

namespace metatags {

// The encoding a charset label in a page's meta tag stands for, resolved the
// way browsers resolve it (the WHATWG Encoding Standard's labels, with the
// HTML rules for a declaration: a UTF-16 label means UTF-8, since the tag was
// read as ASCII). Nothing for a label that names no encoding Qt can decode,
// so that the caller goes on as if nothing were declared.
std::optional<PageEncoding> EncodingOfCharsetLabel(QByteArrayView label);

// ASCII whitespace as HTML counts it, around labels and between attributes.
constexpr bool IsHtmlSpace(char c)
{
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

} // namespace metatags
