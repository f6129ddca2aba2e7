#pragma once
// Cache files written the way browsers write them, for the readers' tests
// and the bench: gzip bodies, and Firefox cache2 entry files.

#include <cstdint>
#include <string>

namespace fh::test {

// The bytes, then `zeros` zero bytes, as a gzip stream (RFC 1952), as a
// server sends them; the zeros are fed a piece at a time, so that a body
// of hundreds of megabytes needs only its small stream in memory. A
// `comment` (no zero bytes in it) goes into the header's FCOMMENT field.
std::string Gzip(const std::string& bytes, std::size_t zeros = 0, const std::string& comment = std::string());

// A cache2 entry file: the body as stored, its chunk hashes, the metadata
// (version 3, the key "a,:<url>", the response head with `headers` after the
// status line), and the body's length in the last four bytes. `keySize`
// overrides the key's recorded length.
std::string Cache2EntryFile(const std::string& body, const std::string& url, const std::string& headers,
                            std::uint32_t keySize = 0);

}  // namespace fh::test
