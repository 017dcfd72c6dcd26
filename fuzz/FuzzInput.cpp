#include "FuzzInput.h"

#include <algorithm>
#include <cstring>

namespace fuzz {

QString Utf16Text(QByteArrayView bytes)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    if (!text.isEmpty())
        std::memcpy(text.data(), bytes.data(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
    return text;
}

FuzzInput::FuzzInput(const std::uint8_t *data, std::size_t size)
    : m_left(data, static_cast<qsizetype>(size))
{ }

std::uint8_t FuzzInput::takeByte()
{
    const QByteArrayView taken = take(1);
    return taken.isEmpty() ? 0 : static_cast<std::uint8_t>(taken.front());
}

std::uint16_t FuzzInput::takeUint16()
{
    const std::uint8_t low = takeByte();
    return static_cast<std::uint16_t>(low | (takeByte() << 8));
}

QByteArrayView FuzzInput::take(qsizetype count)
{
    const QByteArrayView taken = m_left.first(std::min(count, m_left.size()));
    m_left = m_left.sliced(taken.size());
    return taken;
}

QString FuzzInput::takeUtf16(qsizetype count)
{
    return Utf16Text(take(2 * count));
}

QByteArrayView FuzzInput::rest()
{
    return take(m_left.size());
}

} // namespace fuzz
