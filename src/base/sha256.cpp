#include "base/sha256.h"

#include <algorithm>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define FH_SHA_INSTRUCTIONS 1
#endif

namespace fh {

namespace {

alignas(16) const std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr std::uint32_t kStart[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                     0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

std::uint32_t Rotate(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

std::uint32_t BigEndian(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

void PlainBlocks(std::uint32_t state[8], const unsigned char* data, std::size_t count) {
    for (; count; --count, data += 64) {
        std::uint32_t w[64];
        for (int t = 0; t < 16; ++t)
            w[t] = BigEndian(data + 4 * t);
        for (int t = 16; t < 64; ++t) {
            const std::uint32_t s0 = Rotate(w[t - 15], 7) ^ Rotate(w[t - 15], 18) ^ (w[t - 15] >> 3);
            const std::uint32_t s1 = Rotate(w[t - 2], 17) ^ Rotate(w[t - 2], 19) ^ (w[t - 2] >> 10);
            w[t] = w[t - 16] + s0 + w[t - 7] + s1;
        }
        std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        for (int t = 0; t < 64; ++t) {
            const std::uint32_t t1 =
                h + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) + ((e & f) ^ (~e & g)) + kRound[t] + w[t];
            const std::uint32_t t2 = (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        state[5] += f;
        state[6] += g;
        state[7] += h;
    }
}

#ifdef FH_SHA_INSTRUCTIONS

#define FH_SHA_TARGET __attribute__((target("sha,sse4.1,ssse3")))

// The instructions keep the state as two registers, (a, b, e, f) and
// (c, d, g, h), each with its words in reverse.
struct Lanes {
    __m128i abef, cdgh;
};

FH_SHA_TARGET inline Lanes LoadLanes(const std::uint32_t state[8]) {
    const __m128i dcba = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
    const __m128i hgfe = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
    return {_mm_alignr_epi8(dcba, hgfe, 8), _mm_blend_epi16(hgfe, dcba, 0xF0)};
}

FH_SHA_TARGET inline void StoreLanes(const Lanes& lanes, std::uint32_t state[8]) {
    const __m128i feba = _mm_shuffle_epi32(lanes.abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(lanes.cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

// The schedule's next four words from the last sixteen, held as four groups
// in a ring (`w[g & 3]` is group g).
FH_SHA_TARGET inline __m128i NextWords(const __m128i w[4], int g) {
    const __m128i older = _mm_sha256msg1_epu32(w[g & 3], w[(g + 1) & 3]);
    return _mm_sha256msg2_epu32(_mm_add_epi32(older, _mm_alignr_epi8(w[(g + 3) & 3], w[(g + 2) & 3], 4)),
                                w[(g + 3) & 3]);
}

FH_SHA_TARGET inline __m128i LoadWords(const unsigned char* data, int g) {
    const __m128i swap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * g)), swap);
}

FH_SHA_TARGET inline void FourRounds(Lanes& s, __m128i words, int g) {
    __m128i k = _mm_add_epi32(words, _mm_load_si128(reinterpret_cast<const __m128i*>(kRound + 4 * g)));
    s.cdgh = _mm_sha256rnds2_epu32(s.cdgh, s.abef, k);
    s.abef = _mm_sha256rnds2_epu32(s.abef, s.cdgh, _mm_shuffle_epi32(k, 0x0E));
}

FH_SHA_TARGET void FastBlocks(std::uint32_t state[8], const unsigned char* data, std::size_t count) {
    Lanes s = LoadLanes(state);
    for (; count; --count, data += 64) {
        const Lanes before = s;
        __m128i w[4];
#pragma GCC unroll 16
        for (int g = 0; g < 16; ++g) {
            w[g & 3] = g < 4 ? LoadWords(data, g) : NextWords(w, g);
            FourRounds(s, w[g & 3], g);
        }
        s.abef = _mm_add_epi32(s.abef, before.abef);
        s.cdgh = _mm_add_epi32(s.cdgh, before.cdgh);
    }
    StoreLanes(s, state);
}

// Two independent streams, their rounds interleaved: each round waits on
// the one before it, and the other stream's round fills the wait.
FH_SHA_TARGET void FastBlocksBoth(std::uint32_t stateA[8], const unsigned char* a, std::uint32_t stateB[8],
                                  const unsigned char* b, std::size_t count) {
    Lanes sa = LoadLanes(stateA), sb = LoadLanes(stateB);
    for (; count; --count, a += 64, b += 64) {
        const Lanes beforeA = sa, beforeB = sb;
        __m128i wa[4], wb[4];
#pragma GCC unroll 16
        for (int g = 0; g < 16; ++g) {
            wa[g & 3] = g < 4 ? LoadWords(a, g) : NextWords(wa, g);
            wb[g & 3] = g < 4 ? LoadWords(b, g) : NextWords(wb, g);
            FourRounds(sa, wa[g & 3], g);
            FourRounds(sb, wb[g & 3], g);
        }
        sa.abef = _mm_add_epi32(sa.abef, beforeA.abef);
        sa.cdgh = _mm_add_epi32(sa.cdgh, beforeA.cdgh);
        sb.abef = _mm_add_epi32(sb.abef, beforeB.abef);
        sb.cdgh = _mm_add_epi32(sb.cdgh, beforeB.cdgh);
    }
    StoreLanes(sa, stateA);
    StoreLanes(sb, stateB);
}

bool ProcessorHasSha() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const bool vectors = (c & bit_SSSE3) && (c & bit_SSE4_1);
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    return vectors && (b & (1u << 29));
}

#else

bool ProcessorHasSha() { return false; }
void FastBlocksBoth(std::uint32_t*, const unsigned char*, std::uint32_t*, const unsigned char*, std::size_t) {}
void FastBlocks(std::uint32_t*, const unsigned char*, std::size_t) {}

#endif

}  // namespace

bool Sha256::Accelerated() {
    static const bool has = ProcessorHasSha();
    return has;
}

Sha256::Sha256(Engine engine) : m_fast(engine == Engine::Best && Accelerated()) {
    std::copy(kStart, kStart + 8, m_state);
}

void Sha256::Blocks(const unsigned char* data, std::size_t count) {
    if (m_fast)
        FastBlocks(m_state, data, count);
    else
        PlainBlocks(m_state, data, count);
}

std::string_view Sha256::FillHeld(std::string_view piece) {
    if (m_heldBytes == 0) return piece;
    const std::size_t take = std::min(piece.size(), sizeof m_held - m_heldBytes);
    std::memcpy(m_held + m_heldBytes, piece.data(), take);
    m_heldBytes += take;
    if (m_heldBytes == sizeof m_held) {
        Blocks(m_held, 1);
        m_heldBytes = 0;
    }
    return piece.substr(take);
}

void Sha256::Add(std::string_view piece) {
    m_total += piece.size();
    piece = FillHeld(piece);
    const std::size_t whole = piece.size() / 64;
    if (whole) Blocks(reinterpret_cast<const unsigned char*>(piece.data()), whole);
    piece.remove_prefix(whole * 64);
    if (!piece.empty()) {
        std::memcpy(m_held, piece.data(), piece.size());
        m_heldBytes = piece.size();
    }
}

void Sha256::AddBoth(Sha256& a, std::string_view pieceA, Sha256& b, std::string_view pieceB) {
    if (a.m_fast && b.m_fast && &a != &b) {
        // Each first completes its held block alone; then the whole blocks
        // both pieces have go through together.
        const std::string_view restA = a.FillHeld(pieceA), restB = b.FillHeld(pieceB);
        const std::size_t both = std::min(restA.size(), restB.size()) / 64;
        if (both) {
            FastBlocksBoth(a.m_state, reinterpret_cast<const unsigned char*>(restA.data()), b.m_state,
                           reinterpret_cast<const unsigned char*>(restB.data()), both);
            a.m_total += pieceA.size() - restA.size() + both * 64;
            b.m_total += pieceB.size() - restB.size() + both * 64;
            a.Add(restA.substr(both * 64));
            b.Add(restB.substr(both * 64));
            return;
        }
        a.m_total += pieceA.size() - restA.size();
        b.m_total += pieceB.size() - restB.size();
        pieceA = restA;
        pieceB = restB;
    }
    a.Add(pieceA);
    b.Add(pieceB);
}

std::string Sha256::Finish() {
    const std::uint64_t bits = m_total * 8;
    unsigned char tail[72] = {0x80};
    const std::size_t zeros = (m_heldBytes < 56 ? 56 : 120) - m_heldBytes;
    for (int i = 0; i < 8; ++i)
        tail[zeros + i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    Add(std::string_view(reinterpret_cast<const char*>(tail), zeros + 8));
    std::string digest(32, '\0');
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j)
            digest[4 * i + j] = static_cast<char>(m_state[i] >> (24 - 8 * j));
    std::copy(kStart, kStart + 8, m_state);
    m_heldBytes = 0;
    m_total = 0;
    return digest;
}

}  // namespace fh
