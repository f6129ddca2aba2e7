#include "swf/swf_header.h"

#include "swf/swf_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

extern "C" {
#include <LzmaDec.h>
}

namespace fh {

namespace {

constexpr unsigned kTagEnd = 0;
constexpr unsigned kTagShowFrame = 1;
constexpr unsigned kTagSetBackgroundColor = 9;
constexpr unsigned kTagFileAttributes = 69;
constexpr unsigned kTagMetadata = 77;
constexpr std::size_t kChunk = 64 * 1024;

// The movie's body after its first eight bytes, as plain bytes.
class BodyStream {
public:
    virtual ~BodyStream() = default;
    virtual std::size_t Read(unsigned char* out, std::size_t size) = 0;
    virtual std::uint64_t Skip(std::uint64_t count) {
        unsigned char scratch[4096];
        std::uint64_t skipped = 0;
        while (skipped < count) {
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof(scratch), count - skipped));
            const std::size_t got = Read(scratch, want);
            skipped += got;
            if (got < want) break;
        }
        return skipped;
    }
    // Why the stream ended early; FirstFrame while it has not.
    SwfStop failure = SwfStop::FirstFrame;
};

class PlainStream : public BodyStream {
public:
    explicit PlainStream(ByteSource& source) : m_source(source) {}
    std::size_t Read(unsigned char* out, std::size_t size) override { return m_source.Read(out, size); }
    std::uint64_t Skip(std::uint64_t count) override { return m_source.Skip(count); }

private:
    ByteSource& m_source;
};

// Inflates only as much as is read, never more than the limit.
class ZlibStream : public BodyStream {
public:
    ZlibStream(ByteSource& source, std::uint64_t limit) : m_source(source), m_limit(limit), m_in(kChunk) {
        std::memset(&m_z, 0, sizeof(m_z));
        m_ok = inflateInit(&m_z) == Z_OK;
        if (!m_ok) failure = SwfStop::BadCompressedData;
    }
    ~ZlibStream() override {
        if (m_ok) inflateEnd(&m_z);
    }
    std::size_t Read(unsigned char* out, std::size_t size) override {
        if (!m_ok || m_ended) return 0;
        if (m_inflated + size > m_limit) {
            failure = SwfStop::InflateLimit;
            size = static_cast<std::size_t>(m_limit - std::min(m_limit, m_inflated));
            if (size == 0) return 0;
        }
        m_z.next_out = out;
        m_z.avail_out = static_cast<uInt>(size);
        while (m_z.avail_out > 0) {
            if (m_z.avail_in == 0) {
                const std::size_t got = m_source.Read(m_in.data(), m_in.size());
                if (got == 0) break;
                m_z.next_in = m_in.data();
                m_z.avail_in = static_cast<uInt>(got);
            }
            const int rc = inflate(&m_z, Z_NO_FLUSH);
            if (rc == Z_STREAM_END) {
                m_ended = true;
                break;
            }
            if (rc != Z_OK && rc != Z_BUF_ERROR) {
                failure = SwfStop::BadCompressedData;
                m_ended = true;
                break;
            }
        }
        const std::size_t produced = size - m_z.avail_out;
        m_inflated += produced;
        return produced;
    }

private:
    ByteSource& m_source;
    std::uint64_t m_limit;
    std::vector<unsigned char> m_in;
    z_stream m_z;
    bool m_ok = false;
    bool m_ended = false;
    std::uint64_t m_inflated = 0;
};

void* LzmaAlloc(void*, size_t size) { return std::malloc(size); }
void LzmaFree(void*, void* address) { std::free(address); }
ISzAlloc g_lzmaAlloc = {LzmaAlloc, LzmaFree};

// Decodes only as much as is read. The dictionary never exceeds what the
// limit lets the decoder produce, whatever the properties claim.
class LzmaStream : public BodyStream {
public:
    LzmaStream(ByteSource& source, const unsigned char (&properties)[LZMA_PROPS_SIZE], std::uint64_t limit)
        : m_source(source), m_limit(limit), m_in(kChunk) {
        unsigned char props[LZMA_PROPS_SIZE];
        std::memcpy(props, properties, sizeof(props));
        std::uint32_t dictionary = props[1] | (props[2] << 8) | (props[3] << 16) | (static_cast<std::uint32_t>(props[4]) << 24);
        const std::uint32_t most = static_cast<std::uint32_t>(std::min<std::uint64_t>(limit, 0xFFFFFFFFu));
        dictionary = std::max<std::uint32_t>(4096, std::min(dictionary, most));
        for (int i = 0; i < 4; ++i) props[1 + i] = static_cast<unsigned char>((dictionary >> (8 * i)) & 0xFF);
        LzmaDec_Construct(&m_dec);
        m_ok = LzmaDec_Allocate(&m_dec, props, LZMA_PROPS_SIZE, &g_lzmaAlloc) == SZ_OK;
        if (m_ok) LzmaDec_Init(&m_dec);
        else failure = SwfStop::BadCompressedData;
    }
    ~LzmaStream() override {
        if (m_ok) LzmaDec_Free(&m_dec, &g_lzmaAlloc);
    }
    std::size_t Read(unsigned char* out, std::size_t size) override {
        if (!m_ok || m_ended) return 0;
        if (m_decoded + size > m_limit) {
            failure = SwfStop::InflateLimit;
            size = static_cast<std::size_t>(m_limit - std::min(m_limit, m_decoded));
            if (size == 0) return 0;
        }
        std::size_t produced = 0;
        while (produced < size) {
            if (m_inPos == m_inSize) {
                m_inSize = m_source.Read(m_in.data(), m_in.size());
                m_inPos = 0;
                if (m_inSize == 0) break;
            }
            SizeT outLen = size - produced;
            SizeT inLen = m_inSize - m_inPos;
            ELzmaStatus status;
            const SRes rc = LzmaDec_DecodeToBuf(&m_dec, out + produced, &outLen, m_in.data() + m_inPos, &inLen,
                                                LZMA_FINISH_ANY, &status);
            produced += outLen;
            m_inPos += inLen;
            if (rc != SZ_OK) {
                failure = SwfStop::BadCompressedData;
                m_ended = true;
                break;
            }
            if (status == LZMA_STATUS_FINISHED_WITH_MARK || (outLen == 0 && inLen == 0)) {
                m_ended = true;
                break;
            }
        }
        m_decoded += produced;
        return produced;
    }

private:
    ByteSource& m_source;
    std::uint64_t m_limit;
    std::vector<unsigned char> m_in;
    std::size_t m_inPos = 0, m_inSize = 0;
    CLzmaDec m_dec;
    bool m_ok = false;
    bool m_ended = false;
    std::uint64_t m_decoded = 0;
};

bool ReadExact(BodyStream& stream, unsigned char* out, std::size_t size) { return stream.Read(out, size) == size; }

std::uint32_t Le(const unsigned char* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

void ReadTags(BodyStream& body, const SwfReadLimits& limits, SwfHeaderInfo& info) {
    for (;;) {
        unsigned char head[4];
        if (!ReadExact(body, head, 2)) break;
        const unsigned codeAndLength = Le(head, 2);
        const unsigned code = codeAndLength >> 6;
        std::uint32_t length = codeAndLength & 0x3F;
        if (length == 0x3F) {
            if (!ReadExact(body, head, 4)) break;
            length = Le(head, 4);
        }
        if (code == kTagEnd || code == kTagShowFrame) {
            info.stop = SwfStop::FirstFrame;
            return;
        }
        std::uint32_t used = 0;
        if (code == kTagSetBackgroundColor && length >= 3) {
            unsigned char rgb[3];
            if (!ReadExact(body, rgb, 3)) break;
            info.background = (static_cast<std::uint32_t>(rgb[0]) << 16) | (rgb[1] << 8) | rgb[2];
            used = 3;
        } else if (code == kTagFileAttributes && length >= 1) {
            unsigned char flags;
            if (!ReadExact(body, &flags, 1)) break;
            info.actionScript3 = (flags & 0x08) != 0;
            used = 1;
        } else if (code == kTagMetadata && length <= limits.maxMetadata) {
            std::string xml(length, '\0');
            if (length && !ReadExact(body, reinterpret_cast<unsigned char*>(&xml[0]), length)) break;
            xml.resize(std::strlen(xml.c_str()));
            info.metadata = std::move(xml);
            used = length;
        }
        if (body.Skip(length - used) != length - used) break;
    }
    info.stop = body.failure != SwfStop::FirstFrame ? body.failure : SwfStop::CutShort;
}

}  // namespace

std::size_t MemorySource::Read(void* buffer, std::size_t size) {
    const std::size_t n = std::min(size, m_size - m_pos);
    if (n) std::memcpy(buffer, m_data + m_pos, n);
    m_pos += n;
    return n;
}

std::uint64_t MemorySource::Skip(std::uint64_t count) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_size - m_pos));
    m_pos += n;
    return n;
}

namespace {

// Reads the signature, version and length, and opens the body that follows
// them; null when the source is not a movie or ends inside those bytes.
std::unique_ptr<BodyStream> OpenBody(ByteSource& source, std::uint64_t maxInflated, SwfHeaderInfo& info) {
    unsigned char head[8];
    const std::size_t got = source.Read(head, 3);
    info.signature.assign(reinterpret_cast<const char*>(head), got);
    if (got < 3 || Upper(static_cast<char>(head[1])) != 'W' || Upper(static_cast<char>(head[2])) != 'S') return nullptr;
    switch (Upper(static_cast<char>(head[0]))) {
    case 'F':
        info.compression = SwfCompression::None;
        break;
    case 'C':
        info.compression = SwfCompression::Zlib;
        break;
    case 'Z':
        info.compression = SwfCompression::Lzma;
        break;
    default:
        return nullptr;
    }
    info.stop = SwfStop::CutShort;
    if (source.Read(head + 3, 1) != 1) return nullptr;
    info.version = head[3];
    if (source.Read(head + 4, 4) != 4) return nullptr;
    info.declaredLength = Le(head + 4, 4);

    if (info.compression == SwfCompression::None) return std::make_unique<PlainStream>(source);
    if (info.compression == SwfCompression::Zlib) return std::make_unique<ZlibStream>(source, maxInflated);
    // The compressed length is not trusted: the stream ends where the file does.
    unsigned char lzma[4 + LZMA_PROPS_SIZE];
    if (source.Read(lzma, sizeof(lzma)) != sizeof(lzma)) return nullptr;
    unsigned char props[LZMA_PROPS_SIZE];
    std::memcpy(props, lzma + 4, sizeof(props));
    return std::make_unique<LzmaStream>(source, props, maxInflated);
}

}  // namespace

SwfBody ReadSwfBody(ByteSource& source, std::uint64_t maxBytes) {
    SwfBody result;
    std::unique_ptr<BodyStream> body = OpenBody(source, maxBytes, result.info);
    if (!body) return result;
    // Grows as the data arrives: the declared length is only a hint, capped.
    const std::uint64_t hint = result.info.declaredLength.value_or(0);
    result.bytes.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(hint > 8 ? hint - 8 : 0, std::min<std::uint64_t>(maxBytes, 8u << 20))));
    std::uint64_t total = 0;
    for (;;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, maxBytes - total + 1));
        if (want == 0) break;
        const std::size_t at = result.bytes.size();
        result.bytes.resize(at + want);
        const std::size_t got = body->Read(result.bytes.data() + at, want);
        result.bytes.resize(at + got);
        total += got;
        if (got < want) break;
        if (total > maxBytes) break;
    }
    if (total > maxBytes || body->failure == SwfStop::InflateLimit) {
        result.bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(total, maxBytes)));
        result.info.stop = SwfStop::InflateLimit;
    } else if (body->failure != SwfStop::FirstFrame) {
        result.info.stop = body->failure;
    } else {
        result.info.stop = SwfStop::FirstFrame;
    }
    return result;
}

SwfHeaderInfo ReadSwfHeader(ByteSource& source, const SwfReadLimits& limits) {
    SwfHeaderInfo info;
    std::unique_ptr<BodyStream> body = OpenBody(source, limits.maxInflated, info);
    if (!body) return info;
    auto ended = [&]() {
        info.stop = body->failure != SwfStop::FirstFrame ? body->failure : SwfStop::CutShort;
        return info;
    };

    // The stage rectangle: five bits give the width of each of its four fields.
    unsigned char rect[17];
    if (!ReadExact(*body, rect, 1)) return ended();
    const int bits = rect[0] >> 3;
    const std::size_t rectBytes = (5 + 4 * static_cast<std::size_t>(bits) + 7) / 8;
    if (rectBytes > 1 && !ReadExact(*body, rect + 1, rectBytes - 1)) return ended();
    const SwfRect stage = SwfReader(rect, rectBytes).Rect();
    info.xMin = stage.xMin;
    info.xMax = stage.xMax;
    info.yMin = stage.yMin;
    info.yMax = stage.yMax;
    info.hasStage = true;

    unsigned char counts[4];
    if (!ReadExact(*body, counts, 2)) return ended();
    info.frameRate = static_cast<std::uint16_t>(Le(counts, 2));
    if (!ReadExact(*body, counts + 2, 2)) return ended();
    info.frameCount = static_cast<std::uint16_t>(Le(counts + 2, 2));
    ReadTags(*body, limits, info);
    return info;
}

}  // namespace fh
