#include "support/cache_writer.h"

#include <zlib.h>

#include <algorithm>

namespace fh::test {

namespace {

std::string Be32Bytes(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

}  // namespace

std::string Gzip(const std::string& bytes, std::size_t zeros, const std::string& comment) {
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + 15, 9, Z_DEFAULT_STRATEGY);
    std::string commentText = comment;  // zero-terminated, and kept until the header is written
    gz_header header{};
    if (!comment.empty()) {
        header.comment = reinterpret_cast<Bytef*>(commentText.data());
        deflateSetHeader(&z, &header);
    }
    const std::string zero(1u << 20, '\0');
    std::string out;
    char buffer[65536];
    auto feed = [&](const char* data, std::size_t size, int flush) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        z.avail_in = static_cast<uInt>(size);
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, flush);
            out.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0);
    };
    feed(bytes.data(), bytes.size(), Z_NO_FLUSH);
    for (std::size_t left = zeros; left > 0;) {
        const std::size_t n = std::min(left, zero.size());
        feed(zero.data(), n, Z_NO_FLUSH);
        left -= n;
    }
    feed(nullptr, 0, Z_FINISH);
    deflateEnd(&z);
    return out;
}

std::string Cache2EntryFile(const std::string& body, const std::string& url, const std::string& headers,
                            std::uint32_t keySize) {
    const std::string key = "a,:" + url;
    const std::uint32_t chunks = static_cast<std::uint32_t>((body.size() + 256 * 1024 - 1) / (256 * 1024));
    std::string out = body + std::string(4 + 2 * chunks, '\0');
    // Version, fetch count, last fetched, last modified, frecency, expires, key size, flags.
    for (std::uint32_t v : {3u, 1u, 0u, 0u, 0u, 0xFFFFFFFFu, keySize ? keySize : static_cast<std::uint32_t>(key.size()),
                            0u})
        out += Be32Bytes(v);
    out += key + '\0';
    const std::string head = "HTTP/1.1 200 OK\r\n" + headers;
    out += std::string("response-head\0", 14) + head + '\0';
    return out + Be32Bytes(static_cast<std::uint32_t>(body.size()));
}

}  // namespace fh::test
