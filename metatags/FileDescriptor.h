#pragma once

#include <QtGlobal>

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
    Q_DISABLE_COPY(FileDescriptor)

    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

} // namespace metatags
