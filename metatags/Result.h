#pragma once

#include "FileError.h"

#include <utility>
#include <variant>

namespace metatags {

// The outcome of a file operation: its value, or the error that stopped it.
template<typename T> class Result
{
public:
    Result(T value)
        : m_outcome(std::move(value))
    { }
    Result(FileError error)
        : m_outcome(std::move(error))
    { }

    bool ok() const { return std::holds_alternative<T>(m_outcome); }
    const T &value() const & { return std::get<T>(m_outcome); }
    T &&value() && { return std::get<T>(std::move(m_outcome)); }
    const FileError &error() const { return std::get<FileError>(m_outcome); }

private:
    std::variant<T, FileError> m_outcome;
};

} // namespace metatags
