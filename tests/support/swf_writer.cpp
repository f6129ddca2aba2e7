#include "support/swf_writer.h"

#include <zlib.h>

#include <cstdlib>
#include <vector>

extern "C" {
#include <LzmaEnc.h>
}

namespace fh::test {

namespace {

void PutLe(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string StageRect(const SwfMovie& movie) {
    std::vector<bool> bits;
    for (int i = 4; i >= 0; --i) bits.push_back(((movie.rectBits >> i) & 1) != 0);
    for (std::int64_t v : {movie.xMin, movie.xMax, movie.yMin, movie.yMax})
        for (int i = movie.rectBits - 1; i >= 0; --i) bits.push_back(((static_cast<std::uint64_t>(v) >> i) & 1) != 0);
    std::string out((bits.size() + 7) / 8, '\0');
    for (size_t i = 0; i < bits.size(); ++i)
        if (bits[i]) out[i / 8] = static_cast<char>(out[i / 8] | (0x80 >> (i % 8)));
    return out;
}

void* Alloc(void*, size_t size) { return std::malloc(size); }
void Free(void*, void* p) { std::free(p); }

}  // namespace

std::string SwfTag(unsigned code, const std::string& body, bool forceLong) {
    std::string out;
    if (body.size() < 0x3F && !forceLong) {
        PutLe(out, (code << 6) | body.size(), 2);
    } else {
        PutLe(out, (code << 6) | 0x3F, 2);
        PutLe(out, body.size(), 4);
    }
    return out + body;
}

std::string ZlibCompress(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), 6);
    out.resize(size);
    return out;
}

std::string Noise(std::size_t size, std::uint32_t seed) {
    std::string out(size, '\0');
    for (char& c : out) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
    return out;
}

std::string LzmaCompress(const std::string& data) {
    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    props.dictSize = 1 << 16;
    ISzAlloc alloc = {Alloc, Free};
    std::vector<unsigned char> out(data.size() + data.size() / 2 + 1024);
    SizeT outSize = out.size();
    unsigned char encoded[LZMA_PROPS_SIZE];
    SizeT encodedSize = LZMA_PROPS_SIZE;
    LzmaEncode(out.data(), &outSize, reinterpret_cast<const Byte*>(data.data()), data.size(), &props, encoded,
               &encodedSize, 1, nullptr, &alloc, &alloc);
    std::string result;
    PutLe(result, outSize, 4);
    result.append(reinterpret_cast<const char*>(encoded), LZMA_PROPS_SIZE);
    result.append(reinterpret_cast<const char*>(out.data()), outSize);
    return result;
}

std::string BuildSwf(const SwfMovie& movie) {
    std::string body = StageRect(movie);
    PutLe(body, movie.frameRate, 2);
    PutLe(body, movie.frameCount, 2);
    for (const auto& tag : movie.tags) body += SwfTag(tag.first, tag.second);
    if (movie.showFrame) body += SwfTag(1, std::string());
    body += movie.afterFirstFrame;
    std::string file = movie.signature;
    file += static_cast<char>(movie.version);
    PutLe(file, 8 + body.size(), 4);
    const char kind = movie.signature.empty() ? 'F' : movie.signature[0];
    if (kind == 'C') file += ZlibCompress(body);
    else if (kind == 'Z') file += LzmaCompress(body);
    else file += body;
    return file;
}

}  // namespace fh::test
