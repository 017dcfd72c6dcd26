#pragma once

#include <QByteArrayView>

#include <cstring>
#include <memory>

namespace fuzz {

// The bytes in a heap block of exactly their size. A QByteArray keeps spare
// room and a terminating zero behind its bytes, where a read past the end
// would go unnoticed; AddressSanitizer catches one here.
class ExactCopy
{
public:
    explicit ExactCopy(QByteArrayView bytes)
        : m_size(bytes.size())
        , m_bytes(std::make_unique<char[]>(static_cast<std::size_t>(bytes.size())))
    {
        if (!bytes.isEmpty())
            std::memcpy(m_bytes.get(), bytes.data(), static_cast<std::size_t>(bytes.size()));
    }

    QByteArrayView view() const { return { m_bytes.get(), m_size }; }

private:
    qsizetype m_size;
    std::unique_ptr<char[]> m_bytes;
};

} // namespace fuzz
