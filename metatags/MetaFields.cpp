#include "MetaFields.h"

namespace metatags {

PerTag<QByteArray> EncodeForPage(const PerTag<FieldValue> &fields, const PageEncoding &encoding)
{
    PerTag<QByteArray> bytes;
    fields.forEach([&](MetaTag tag, const FieldValue &field) {
        bytes[tag] = field.sourceBytes ? *field.sourceBytes : EncodeValue(field.text, encoding);
    });
    return bytes;
}

} // namespace metatags
