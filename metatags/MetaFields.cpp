#include "MetaFields.h"

namespace metatags {

MetaBytes EncodeForPage(const MetaFields &fields, const PageEncoding &encoding)
{
    const auto bytesOf = [&encoding](const FieldValue &field) {
        return field.sourceBytes ? *field.sourceBytes : EncodeValue(field.text, encoding);
    };
    return { bytesOf(fields.title), bytesOf(fields.description), bytesOf(fields.keywords) };
}

} // namespace metatags
