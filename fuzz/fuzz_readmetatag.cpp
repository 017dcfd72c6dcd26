// ReadMetaTag on any page and any tag word, against the offset rule written
// out step by step.
#include "ExactCopy.h"
#include "FuzzInput.h"
#include "NaiveFind.h"
#include "Require.h"

#include "MetaTag.h"
#include "ReadMetaTag.h"

#include <array>

namespace {

using metatags::MetaTagRead;
using Outcome = MetaTagRead::Outcome;

MetaTagRead readByRule(QByteArrayView page, QByteArrayView word)
{
    const qsizetype wordAt = fuzz::NaiveFind(page, word);
    if (wordAt < 0)
        return { Outcome::NotFound };
    const qsizetype valueAt = wordAt + word.size() + 11;
    qsizetype endMarkAt = -1;
    for (qsizetype at = wordAt; at < page.size() && endMarkAt < 0; ++at) {
        if (page[at] == '>')
            endMarkAt = at;
    }
    const qsizetype length = endMarkAt - 1 - valueAt;
    if (endMarkAt < 0 || length < 0)
        return { Outcome::Unusable };
    return { Outcome::Value, valueAt, length };
}

void check(QByteArrayView page, QByteArrayView word)
{
    const MetaTagRead read = metatags::ReadMetaTag(page, word);
    const MetaTagRead expected = readByRule(page, word);
    fuzz::Require(read.outcome == expected.outcome, "outcome as the offset rule gives it");
    if (!read.hasValue())
        return;
    fuzz::Require(read.start == expected.start && read.length == expected.length, "value at the rule's offsets");

    fuzz::Require(read.start >= 0 && read.length >= 0 && read.start + read.length < page.size(),
        "value lies within the page, ahead of its '>'");
    const QByteArrayView value = read.valueIn(page);
    fuzz::Require(!value.contains('>'), "no '>' inside a value");
    fuzz::Require(page[read.start + read.length + 1] == '>', "one byte stands between the value and the '>'");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    const std::uint8_t wordLength = input.takeByte() % 32;
    const fuzz::ExactCopy word(input.take(wordLength));
    const fuzz::ExactCopy page(input.rest());

    check(page.view(), word.view());
    for (const metatags::MetaTag tag : metatags::AllMetaTags)
        check(page.view(), metatags::TagWord(tag));
    return 0;
}
