#pragma once
// SHA-256 by the system's own cryptography (CNG), fed a piece at a time. A
// stream that ends within its first megabyte is hashed by one call of
// BCryptHash where bcrypt.dll has it (Windows 10 on); longer streams, and
// Windows 7, which lacks it, go through a hash object.
// Under Wine the core's own SHA-256 hashes instead: Wine's bcrypt does the
// rounds in plain code, about 90 MB/s, a twelfth of the SHA instructions.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/sha256.h"
#include "win/handles.h"

namespace fh {

struct HashObjectClose {
    void operator()(void* hash) const;
};
using UniqueHashObject = UniqueHandle<NullInvalid<void*, HashObjectClose>>;

class Sha256Stream {
public:
    enum class Engine { Best, System };
    explicit Sha256Stream(Engine engine = Engine::Best);

    // Whether the core hashes where the best engine is asked for.
    static bool OwnIsBest();
    // Feeds two streams at once: where the core hashes both, their rounds
    // are interleaved (Sha256::AddBoth).
    static void AddBoth(Sha256Stream& a, std::string_view pieceA, Sha256Stream& b, std::string_view pieceB);

    // False once the system has refused: the digest is then never given.
    bool Add(std::string_view piece);
    // The 32 bytes of the digest, or empty when the system refused. Ends
    // the stream.
    std::string Finish();

private:
    bool StartObject();
    bool Feed(std::string_view piece);
    bool Stop();

    std::string m_held;  // the stream so far, while one call can take it
    // The hash object's memory outlives the object (declared first).
    std::vector<unsigned char> m_memory;
    UniqueHashObject m_object;
    std::optional<Sha256> m_own;
    bool m_stopped = false;
};

}  // namespace fh
