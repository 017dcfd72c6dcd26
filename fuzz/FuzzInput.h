#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace fuzz {

// The bytes as UTF-16 code units, any of them, lone surrogates included; an
// odd last byte is left out.
QString Utf16Text(QByteArrayView bytes);

// Takes the parts of a fuzzer input from its front. An input that runs out
// gives zeros and empty parts, so that every input is usable.
class FuzzInput
{
public:
    FuzzInput(const std::uint8_t *data, std::size_t size);
    explicit FuzzInput(QByteArrayView bytes)
        : m_left(bytes)
    { }

    std::uint8_t takeByte();
    std::uint16_t takeUint16();
    // Up to count bytes.
    QByteArrayView take(qsizetype count);
    // Up to count UTF-16 code units, as Utf16Text makes them.
    QString takeUtf16(qsizetype count);
    QByteArrayView rest();

private:
    QByteArrayView m_left;
};

} // namespace fuzz
