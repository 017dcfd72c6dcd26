#pragma once

#include <unistd.h>

namespace metatags {

// An open file descriptor, closed when the object goes; -1 for none.
class FileDescriptor
{
public:
    explicit FileDescriptor(int descriptor)
        : m_descriptor(descriptor)
    { }
    ~FileDescriptor()
    {
        if (m_descriptor != -1)
            ::close(m_descriptor);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

} // namespace metatags
