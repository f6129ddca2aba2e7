#include "base/sha256.h"

#include <gtest/gtest.h>

#include <string>

#include "base/hex_text.h"

namespace fh {
namespace {

// `text` fed in pieces of `piece` bytes.
std::string Digest(Sha256::Engine engine, const std::string& text, std::size_t piece) {
    Sha256 hash(engine);
    for (std::size_t at = 0; at < text.size(); at += piece)
        hash.Add(std::string_view(text).substr(at, piece));
    return LowerHex(hash.Finish());
}

TEST(Sha256, GivesTheStandardsDigestsWithEitherEngineAndAnyPieces) {
    const std::string million(1000000, 'a');
    const struct {
        std::string text, digest;
    } known[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmno"
         "pjklmnopqklmnopqrlmnopqrsmnopqrst"
         "nopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& k : known)
        for (Sha256::Engine engine : {Sha256::Engine::Best, Sha256::Engine::Plain})
            for (std::size_t piece :
                 {std::size_t{1}, std::size_t{63}, std::size_t{64}, std::size_t{997}, k.text.size() + 1})
                EXPECT_EQ(k.digest, Digest(engine, k.text, piece)) << k.text.size() << " bytes in pieces of " << piece;
    // A finished stream starts anew.
    Sha256 again;
    again.Add("xyz");
    again.Finish();
    again.Add("abc");
    EXPECT_EQ(known[1].digest, LowerHex(again.Finish()));
}

TEST(Sha256, TwoStreamsFedTogetherGiveWhatEachGivesAlone) {
    std::string a, b;
    for (int i = 0; i < 5000; ++i) {
        a += static_cast<char>(i * 7 + (i >> 5));
        b += static_cast<char>(i * 13 + 1);
    }
    // Pieces of every kind of misalignment, one stream ending first, and
    // one stream that cannot go along (plain code).
    const std::size_t sizes[][2] = {{64, 64}, {1, 200}, {130, 77}, {4096, 1000}, {333, 5000}};
    for (const auto& size : sizes) {
        for (Sha256::Engine other : {Sha256::Engine::Best, Sha256::Engine::Plain}) {
            Sha256 ha, hb(other);
            for (std::size_t atA = 0, atB = 0; atA < a.size() || atB < b.size();) {
                const std::string_view pa = std::string_view(a).substr(std::min(atA, a.size()), size[0]);
                const std::string_view pb = std::string_view(b).substr(std::min(atB, b.size()), size[1]);
                Sha256::AddBoth(ha, pa, hb, pb);
                atA += size[0];
                atB += size[1];
            }
            EXPECT_EQ(Digest(Sha256::Engine::Plain, a, a.size()), LowerHex(ha.Finish())) << size[0];
            EXPECT_EQ(Digest(Sha256::Engine::Plain, b, b.size()), LowerHex(hb.Finish())) << size[1];
        }
    }
}

}  // namespace
}  // namespace fh
