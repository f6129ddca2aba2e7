#include "sample_swf.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "support/swf_shapes.h"

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

namespace {

using Tags = std::vector<std::pair<unsigned, std::string>>;

std::uint32_t Mix(std::uint32_t rgb, std::uint32_t toward, int percent) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = (rgb >> shift) & 0xFF, b = (toward >> shift) & 0xFF;
        out |= static_cast<std::uint32_t>(a + (b - a) * percent / 100) << shift;
    }
    return out;
}

// A picture in the background's colours: a rounded panel, a shaded ball
// that bounces across it, and a star that turns, one step a frame.
Tags Picture(std::uint32_t rgb, int frames) {
    using namespace fh::test;
    ShapeWriter panel(3);
    panel.Solid((Mix(rgb, 0xFFFFFF, 35) << 8) | 0xFF);
    panel.Line(80, (Mix(rgb, 0x000000, 40) << 8) | 0xFF);
    panel.Styles(-1, 1, 1);
    panel.Move(1400, 1000);
    panel.LineTo(9600, 1000);
    panel.CurveTo(10000, 1000, 10000, 1400);
    panel.LineTo(10000, 6600);
    panel.CurveTo(10000, 7000, 9600, 7000);
    panel.LineTo(1400, 7000);
    panel.CurveTo(1000, 7000, 1000, 6600);
    panel.LineTo(1000, 1400);
    panel.CurveTo(1000, 1000, 1400, 1000);
    ShapeWriter ball(3);
    ball.Gradient(0x12, MatrixRecord(0.07, 0, 0, 0.07, -300, -300),
                  {{0, 0xFFFFFFFF}, {90, (Mix(rgb, 0xFF8800, 60) << 8) | 0xFF}, {255, (Mix(rgb, 0x000000, 60) << 8) | 0xFF}});
    ball.Styles(-1, 1, -1);
    // A circle of eight quadratic arcs, each control point outside the circle.
    const double reach = 1000 / std::cos(3.14159265 / 8);
    ball.Move(1000, 0);
    for (int i = 1; i <= 8; ++i) {
        const double mid = (i - 0.5) * 3.14159265 / 4, end = i * 3.14159265 / 4;
        ball.CurveTo(static_cast<int>(std::lround(reach * std::cos(mid))), static_cast<int>(std::lround(reach * std::sin(mid))),
                     static_cast<int>(std::lround(1000 * std::cos(end))), static_cast<int>(std::lround(1000 * std::sin(end))));
    }
    ShapeWriter star(3);
    star.Solid(0xFFFFFFE0);
    star.Line(40, 0x202020FF);
    star.Styles(-1, 1, 1);
    const int points[][2] = {{0, -900}, {210, -290}, {860, -280}, {340, 110}, {530, 730},
                             {0, 360},  {-530, 730}, {-340, 110}, {-860, -280}, {-210, -290}};
    star.Move(points[0][0], points[0][1]);
    for (int i = 1; i <= 10; ++i) star.LineTo(points[i % 10][0], points[i % 10][1]);
    Tags tags = {panel.Define(1), ball.Define(2), star.Define(3), Place(1, 1), Place(2, 2, Translate(3000, 4000)),
                 Place(3, 3, Translate(7500, 3000))};
    for (int f = 1; f < frames; ++f) {
        tags.push_back(ShowFrame());
        // The ball bounces across and back every 48 frames; the star turns.
        const int phase = f % 48;
        const int x = 2400 + (phase < 24 ? phase : 48 - phase) * 260;
        const int y = 5600 - static_cast<int>(2600 * std::sin(3.14159265 * (phase % 24) / 24));
        tags.push_back(Place(2, -1, Translate(x, y), "", -1, 0, true));
        const double angle = f * 0.13;
        tags.push_back(Place(3, -1, MatrixRecord(std::cos(angle), std::sin(angle), -std::sin(angle), std::cos(angle), 7500, 3000),
                             "", -1, 0, true));
    }
    return tags;
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
    for (const auto& tag : Picture(backgroundRgb, frames)) PutTag(body, tag.first, tag.second);
    PutTag(body, 1, std::string());  // the last ShowFrame
    PutTag(body, 0, std::string());  // End

    std::string movie = compressed ? "CWS" : "FWS";
    movie += static_cast<char>(compressed ? 6 : 4);
    PutU32(movie, static_cast<std::uint32_t>(8 + body.size()));
    movie += compressed ? ZlibStored(body) : body;
    return movie;
}

}  // namespace fh::sample
