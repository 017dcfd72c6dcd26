#include "MetaFields.h"

#include "PageEncoding.h"

#include <array>
#include <functional>

namespace metatags {

namespace {

bool isAscii(QStringView text)
{
    for (const QChar unit : text) {
        if (unit.unicode() >= 0x80)
            return false;
    }
    return true;
}

PageEncoding encodingOfOutput(const std::array<const FieldValue *, 3> &fields, QByteArrayView keptPage)
{
    for (const FieldValue *field : fields) {
        if (field->sourceBytes && !IsValidUtf8(*field->sourceBytes))
            return PageEncoding::Windows1252;
    }
    return DetectPageEncoding(keptPage);
}

} // namespace

MetaBytes EncodeForPage(const MetaFields &fields, QByteArrayView keptPage)
{
    const std::array<const FieldValue *, 3> all = { &fields.title, &fields.description, &fields.keywords };

    // The page is only scanned when a typed value has characters beyond ASCII,
    // which read the same in both encodings.
    bool needsEncoding = false;
    for (const FieldValue *field : all)
        needsEncoding = needsEncoding || (!field->sourceBytes && !isAscii(field->text));
    const PageEncoding encoding = needsEncoding ? encodingOfOutput(all, keptPage) : PageEncoding::Utf8;

    const auto bytesOf = [encoding](const FieldValue &field) {
        return field.sourceBytes ? *field.sourceBytes : EncodeValue(field.text, encoding);
    };
    return { bytesOf(fields.title), bytesOf(fields.description), bytesOf(fields.keywords) };
}

} // namespace metatags
