#include "swf/swf_reader.h"

#include <cmath>

namespace fh {

bool SwfMatrix::Invert(SwfMatrix& out) const {
    const double det = a * d - b * c;
    if (!std::isfinite(det) || std::fabs(det) < 1e-12) return false;
    out.a = d / det;
    out.b = -b / det;
    out.c = -c / det;
    out.d = a / det;
    out.tx = -(out.a * tx + out.c * ty);
    out.ty = -(out.b * tx + out.d * ty);
    return true;
}

double SwfMatrix::ScaleX() const { return std::sqrt(a * a + b * b); }
double SwfMatrix::ScaleY() const { return std::sqrt(c * c + d * d); }
double SwfMatrix::MeanScale() const { return (ScaleX() + ScaleY()) / 2; }

SwfColorTransform SwfColorTransform::operator*(const SwfColorTransform& inner) const {
    // Keeps the values within what any colour can need, so that deep nesting
    // cannot overflow.
    auto mul = [](std::int64_t outer, std::int64_t in) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(outer * in / 256, -65536, 65536));
    };
    auto add = [](std::int64_t outerMul, std::int64_t inAdd, std::int64_t outerAdd) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(outerMul * inAdd / 256 + outerAdd, -65536, 65536));
    };
    SwfColorTransform r;
    r.rMul = mul(rMul, inner.rMul);
    r.gMul = mul(gMul, inner.gMul);
    r.bMul = mul(bMul, inner.bMul);
    r.aMul = mul(aMul, inner.aMul);
    r.rAdd = add(rMul, inner.rAdd, rAdd);
    r.gAdd = add(gMul, inner.gAdd, gAdd);
    r.bAdd = add(bMul, inner.bAdd, bAdd);
    r.aAdd = add(aMul, inner.aAdd, aAdd);
    return r;
}

void SwfReader::Seek(std::size_t pos) {
    m_bits = 0;
    if (pos > m_size) {
        m_overrun = true;
        m_pos = m_size;
    } else {
        m_pos = pos;
    }
}

std::uint8_t SwfReader::U8() {
    m_bits = 0;
    if (m_pos >= m_size) {
        m_overrun = true;
        return 0;
    }
    return m_data[m_pos++];
}

std::uint16_t SwfReader::U16() {
    const std::uint16_t lo = U8();
    return static_cast<std::uint16_t>(lo | (U8() << 8));
}

std::uint32_t SwfReader::U32() {
    const std::uint32_t lo = U16();
    return lo | (static_cast<std::uint32_t>(U16()) << 16);
}

std::string SwfReader::String() {
    m_bits = 0;
    std::string out;
    while (m_pos < m_size && m_data[m_pos] != 0) out += static_cast<char>(m_data[m_pos++]);
    if (m_pos < m_size) ++m_pos;
    else m_overrun = true;
    return out;
}

std::uint32_t SwfReader::Bits(int count) {
    std::uint32_t v = 0;
    for (int i = 0; i < count; ++i) {
        if (m_bits == 0) {
            if (m_pos >= m_size) {
                m_overrun = true;
                m_bitBuffer = 0;
            } else {
                m_bitBuffer = m_data[m_pos++];
            }
            m_bits = 8;
        }
        --m_bits;
        v = (v << 1) | ((m_bitBuffer >> m_bits) & 1);
    }
    return v;
}

std::int32_t SwfReader::SignedBits(int count) {
    if (count <= 0) return 0;
    const std::uint32_t raw = Bits(count);
    if (count < 32 && (raw >> (count - 1)) & 1) return static_cast<std::int32_t>(raw | (~0u << count));
    return static_cast<std::int32_t>(raw);
}

SwfRect SwfReader::Rect() {
    Align();
    const int bits = static_cast<int>(Bits(5));
    SwfRect r;
    r.xMin = SignedBits(bits);
    r.xMax = SignedBits(bits);
    r.yMin = SignedBits(bits);
    r.yMax = SignedBits(bits);
    Align();
    return r;
}

SwfMatrix SwfReader::Matrix() {
    Align();
    SwfMatrix m;
    if (Flag()) {
        const int bits = static_cast<int>(Bits(5));
        m.a = SignedBits(bits) / 65536.0;
        m.d = SignedBits(bits) / 65536.0;
    }
    if (Flag()) {
        const int bits = static_cast<int>(Bits(5));
        m.b = SignedBits(bits) / 65536.0;
        m.c = SignedBits(bits) / 65536.0;
    }
    const int bits = static_cast<int>(Bits(5));
    m.tx = SignedBits(bits);
    m.ty = SignedBits(bits);
    Align();
    return m;
}

SwfColorTransform SwfReader::ColorTransform(bool withAlpha) {
    Align();
    SwfColorTransform cx;
    const bool hasAdd = Flag();
    const bool hasMul = Flag();
    const int bits = static_cast<int>(Bits(4));
    if (hasMul) {
        cx.rMul = SignedBits(bits);
        cx.gMul = SignedBits(bits);
        cx.bMul = SignedBits(bits);
        if (withAlpha) cx.aMul = SignedBits(bits);
    }
    if (hasAdd) {
        cx.rAdd = SignedBits(bits);
        cx.gAdd = SignedBits(bits);
        cx.bAdd = SignedBits(bits);
        if (withAlpha) cx.aAdd = SignedBits(bits);
    }
    Align();
    return cx;
}

SwfColor SwfReader::Rgb() {
    SwfColor c;
    c.r = U8();
    c.g = U8();
    c.b = U8();
    return c;
}

SwfColor SwfReader::Rgba() {
    SwfColor c = Rgb();
    c.a = U8();
    return c;
}

SwfColor SwfReader::Argb() {
    SwfColor c;
    c.a = U8();
    c.r = U8();
    c.g = U8();
    c.b = U8();
    return c;
}

}  // namespace fh
