#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <array>
#include <cstddef>
#include <utility>

namespace metatags {

// The three meta tags a page is given, in the order of the editor's fields and
// the batch tool's columns.
enum class MetaTag { Title, Description, KeyWords };

inline constexpr std::array<MetaTag, 3> AllMetaTags = { MetaTag::Title, MetaTag::Description, MetaTag::KeyWords };

// The word that names the tag in a page, matched exactly as written.
constexpr QByteArrayView TagWord(MetaTag tag)
{
    constexpr std::array<QByteArrayView, 3> words = { "Title", "Description", "KeyWords" };
    return words[static_cast<std::size_t>(tag)];
}

// How many characters the editor's field for the tag holds.
constexpr qsizetype FieldLimit(MetaTag tag)
{
    return tag == MetaTag::Title ? 512 : 1024;
}

// One T for each tag, indexed by the tag.
template<typename T> struct PerTag
{
    PerTag() = default;
    PerTag(T title, T description, T keywords)
        : values { std::move(title), std::move(description), std::move(keywords) }
    { }

    std::array<T, 3> values {};

    T &operator[](MetaTag tag) { return values[static_cast<std::size_t>(tag)]; }
    const T &operator[](MetaTag tag) const { return values[static_cast<std::size_t>(tag)]; }

    // Calls f(tag, value) for each tag in order.
    template<typename F> void forEach(F &&f) const
    {
        for (const MetaTag tag : AllMetaTags)
            f(tag, (*this)[tag]);
    }

    bool operator==(const PerTag &) const = default;
};

} // namespace metatags
