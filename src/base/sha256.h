#pragma once
// SHA-256 (FIPS 180-4), fed a piece at a time. Where the processor has the
// SHA instructions they do the rounds, about twelve times faster than plain
// code; otherwise plain code does.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fh {

class Sha256 {
public:
    enum class Engine { Best, Plain };
    explicit Sha256(Engine engine = Engine::Best);

    void Add(std::string_view piece);
    // The 32 bytes of the digest; the stream then starts anew.
    std::string Finish();

    // Feeds two streams at once, their rounds interleaved: one core hashes
    // two movies half again as fast as one after the other.
    static void AddBoth(Sha256& a, std::string_view pieceA, Sha256& b, std::string_view pieceB);

    // Whether the processor's SHA instructions are used.
    static bool Accelerated();

private:
    void Blocks(const unsigned char* data, std::size_t count);
    // Completes the held partial block from the front of `piece`.
    std::string_view FillHeld(std::string_view piece);

    std::uint32_t m_state[8];
    unsigned char m_held[64];
    std::size_t m_heldBytes = 0;
    std::uint64_t m_total = 0;
    bool m_fast;
};

}  // namespace fh
