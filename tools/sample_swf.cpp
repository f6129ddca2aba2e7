#include "sample_swf.h"

#include <algorithm>
#include <vector>

namespace fh::sample {

namespace {

void PutU16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void PutU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutTag(std::string& out, unsigned code, const std::string& body) {
    if (body.size() < 0x3F) {
        PutU16(out, (code << 6) | static_cast<unsigned>(body.size()));
    } else {
        PutU16(out, (code << 6) | 0x3F);
        PutU32(out, static_cast<std::uint32_t>(body.size()));
    }
    out += body;
}

// The stage rectangle 0..550 x 0..400 pixels in twips, with 15-bit fields.
std::string StageRect() {
    const int bits = 15;
    const std::uint32_t values[] = {0, 550 * 20, 0, 400 * 20};
    std::vector<bool> stream;
    for (int i = 4; i >= 0; --i) stream.push_back(((bits >> i) & 1) != 0);
    for (std::uint32_t v : values)
        for (int i = bits - 1; i >= 0; --i) stream.push_back(((v >> i) & 1) != 0);
    std::string out((stream.size() + 7) / 8, '\0');
    for (size_t i = 0; i < stream.size(); ++i)
        if (stream[i]) out[i / 8] = static_cast<char>(out[i / 8] | (0x80 >> (i % 8)));
    return out;
}

// zlib stream of stored (uncompressed) deflate blocks: valid for any reader.
std::string ZlibStored(const std::string& data) {
    std::string out;
    out += static_cast<char>(0x78);
    out += static_cast<char>(0x01);
    size_t pos = 0;
    do {
        size_t n = std::min<size_t>(65535, data.size() - pos);
        const bool last = pos + n == data.size();
        out += static_cast<char>(last ? 1 : 0);
        PutU16(out, static_cast<unsigned>(n));
        PutU16(out, static_cast<unsigned>(~n & 0xFFFF));
        out.append(data, pos, n);
        pos += n;
    } while (pos < data.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : data) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    const std::uint32_t adler = (b << 16) | a;
    for (int i = 3; i >= 0; --i) out += static_cast<char>((adler >> (8 * i)) & 0xFF);
    return out;
}

}  // namespace

std::string MakeSwf(bool compressed, std::uint32_t backgroundRgb, int frames, const std::string& title) {
    if (frames < 1) frames = 1;
    std::string body = StageRect();
    PutU16(body, 24 << 8);  // 24 frames a second, 8.8 fixed point
    PutU16(body, static_cast<unsigned>(frames));
    if (!title.empty()) {
        PutTag(body, 69, std::string("\x18\0\0\0", 4));  // FileAttributes: metadata, ActionScript 3
        PutTag(body, 77, "<rdf:RDF><rdf:Description><dc:title>" + title + "</dc:title></rdf:Description></rdf:RDF>" +
                             std::string(1, '\0'));
    }
    std::string colour;
    colour += static_cast<char>((backgroundRgb >> 16) & 0xFF);
    colour += static_cast<char>((backgroundRgb >> 8) & 0xFF);
    colour += static_cast<char>(backgroundRgb & 0xFF);
    PutTag(body, 9, colour);  // SetBackgroundColor
    for (int i = 0; i < frames; ++i) PutTag(body, 1, std::string());  // ShowFrame
    PutTag(body, 0, std::string());                                   // End

    std::string movie = compressed ? "CWS" : "FWS";
    movie += static_cast<char>(compressed ? 6 : 4);
    PutU32(movie, static_cast<std::uint32_t>(8 + body.size()));
    movie += compressed ? ZlibStored(body) : body;
    return movie;
}

}  // namespace fh::sample
