#pragma once
// SHA-256 by the system's own cryptography (CNG), fed a piece at a time. A
// stream that ends within its first megabyte is hashed by one call of
// BCryptHash where bcrypt.dll has it (Windows 10 on); longer streams, and
// Windows 7, which lacks it, go through a hash object.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "win/handles.h"

namespace fh {

struct HashObjectClose {
    void operator()(void* hash) const;
};
using UniqueHashObject = UniqueHandle<NullInvalid<void*, HashObjectClose>>;

class Sha256Stream {
public:
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
    bool m_stopped = false;
};

}  // namespace fh
