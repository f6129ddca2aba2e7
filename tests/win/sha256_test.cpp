// SHA-256 through the system's cryptography, and through the core's where it
// stands in (under Wine), against the standard's test vectors: a stream
// short enough for one call, and one fed in pieces through a hash object.

#include "win/sha256.h"

#include <gtest/gtest.h>

#include "base/hex_text.h"

namespace fh {
namespace {

void EngineGivesTheStandardDigests(Sha256Stream::Engine engine) {
    SCOPED_TRACE(engine == Sha256Stream::Engine::System ? "system" : "best");
    const struct {
        const char* label;
        std::string bytes;
        std::size_t piece;
        const char* digest;
    } cases[] = {
        {"empty", "", 1, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "abc", 3, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"two blocks in pieces", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 5,
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"a million a, beyond one call", std::string(1000000, 'a'), 65536,
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {"two megabytes in one piece", std::string(2u << 20, 'a'), 2u << 20, nullptr},
    };
    std::string whole;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Sha256Stream hash(engine);
        for (std::size_t at = 0; at < c.bytes.size(); at += c.piece)
            ASSERT_TRUE(hash.Add(std::string_view(c.bytes).substr(at, c.piece)));
        const std::string digest = LowerHex(hash.Finish());
        if (c.digest) EXPECT_EQ(c.digest, digest);
        else whole = digest;
        // The stream ends with its digest.
        EXPECT_FALSE(hash.Add("more"));
        EXPECT_EQ("", hash.Finish());
    }
    // The same bytes in small pieces give the same digest as in one.
    Sha256Stream pieces(engine);
    const std::string two(2u << 20, 'a');
    for (std::size_t at = 0; at < two.size(); at += 1000) pieces.Add(std::string_view(two).substr(at, 1000));
    EXPECT_EQ(whole, LowerHex(pieces.Finish()));
    EXPECT_EQ(64u, whole.size());
}

TEST(Sha256Stream, EitherEngineGivesTheStandardDigests) {
    for (Sha256Stream::Engine engine : {Sha256Stream::Engine::Best, Sha256Stream::Engine::System})
        EngineGivesTheStandardDigests(engine);
}

}  // namespace
}  // namespace fh
