#pragma once
// Reading a movie's tags: bytes little-endian, bit fields most significant
// bit first, and the records many tags share (rectangles, matrices, colour
// transforms, colours). Reads past the end give zeros and set a flag, so a
// cut record never reads outside its tag; callers check `Overrun()` once.

#include <cstddef>
#include <cstdint>
#include <string>

#include "swf/swf_types.h"

namespace fh {

class SwfReader {
public:
    SwfReader(const unsigned char* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t Position() const { return m_pos; }
    std::size_t Size() const { return m_size; }
    std::size_t Remaining() const { return m_pos < m_size ? m_size - m_pos : 0; }
    bool Overrun() const { return m_overrun; }
    const unsigned char* Data() const { return m_data; }
    // Moves to `pos` (within the data; beyond it is an overrun).
    void Seek(std::size_t pos);
    void Skip(std::size_t count) { Seek(m_pos + count > m_pos ? m_pos + count : m_size + 1); }

    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    std::int16_t S16() { return static_cast<std::int16_t>(U16()); }
    // A zero-ended string, at most to the end of the data.
    std::string String();

    // Bit fields: byte-aligned reads drop the bits left of the current byte.
    void Align() { m_bits = 0; }
    std::uint32_t Bits(int count);
    std::int32_t SignedBits(int count);
    bool Flag() { return Bits(1) != 0; }

    SwfRect Rect();
    SwfMatrix Matrix();
    SwfColorTransform ColorTransform(bool withAlpha);
    SwfColor Rgb();
    SwfColor Rgba();
    SwfColor Argb();

private:
    const unsigned char* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    std::uint32_t m_bitBuffer = 0;
    int m_bits = 0;
    bool m_overrun = false;
};

}  // namespace fh
