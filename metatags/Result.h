#pragma once

#include "FileError.h"

#include <optional>
#include <utility>
#include <variant>

namespace metatags {

// The outcome of a file operation: its value, or the error that stopped it.
// Shaped like std::expected<T, FileError>, which the project's compilers lack.
template<typename T> class [[nodiscard]] Result
{
public:
    Result(T value)
        : m_outcome(std::move(value))
    { }
    Result(FileError error)
        : m_outcome(std::move(error))
    { }

    bool has_value() const { return std::holds_alternative<T>(m_outcome); }
    explicit operator bool() const { return has_value(); }

    const T &value() const & { return std::get<T>(m_outcome); }
    T &value() & { return std::get<T>(m_outcome); }
    T &&value() && { return std::get<T>(std::move(m_outcome)); }
    const T &operator*() const & { return value(); }
    T &operator*() & { return value(); }
    T &&operator*() && { return std::move(*this).value(); }
    const T *operator->() const { return &value(); }
    T *operator->() { return &value(); }

    const FileError &error() const { return std::get<FileError>(m_outcome); }

private:
    std::variant<T, FileError> m_outcome;
};

// An operation that gives nothing but may fail.
template<> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(FileError error)
        : m_error(std::move(error))
    { }

    bool has_value() const { return !m_error; }
    explicit operator bool() const { return has_value(); }
    const FileError &error() const { return *m_error; }

private:
    std::optional<FileError> m_error;
};

} // namespace metatags
