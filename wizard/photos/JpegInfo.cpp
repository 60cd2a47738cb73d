#include "wizard/photos/JpegInfo.h"

#include <cstdint>
#include <cstring>

namespace orlavo::wizard {

namespace {

unsigned Be16(const unsigned char* p) {
    return (static_cast<unsigned>(p[0]) << 8) | p[1];
}

bool IsFrameMarker(unsigned m) {
    // SOF0-SOF15 without DHT (C4), JPG (C8) and DAC (CC).
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

// Markers that stand alone, without a length.
bool IsStandalone(unsigned m) {
    return m == 0x00 || m == 0x01 || (m >= 0xD0 && m <= 0xD7);
}

// The TIFF structure inside an EXIF block; offsets are relative to its start.
class Tiff {
public:
    Tiff(const unsigned char* data, std::size_t size) : d_(data), n_(size) {}

    // The byte order mark and 42; gives the first directory's offset.
    bool header(std::uint32_t& ifd0) {
        if (n_ < 8)
            return false;
        if (d_[0] == 'I' && d_[1] == 'I')
            little_ = true;
        else if (d_[0] == 'M' && d_[1] == 'M')
            little_ = false;
        else
            return false;
        unsigned magic = 0;
        return u16(2, magic) && magic == 42 && u32(4, ifd0);
    }

    bool has(std::size_t at, std::size_t count) const { return at <= n_ && count <= n_ - at; }

    bool u16(std::size_t at, unsigned& v) const {
        if (!has(at, 2))
            return false;
        const unsigned char* p = d_ + at;
        v = little_ ? (p[0] | (p[1] << 8)) : ((p[0] << 8) | p[1]);
        return true;
    }

    bool u32(std::size_t at, std::uint32_t& v) const {
        if (!has(at, 4))
            return false;
        const unsigned char* p = d_ + at;
        v = little_ ? (std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                       std::uint32_t(p[3]) << 24)
                    : (std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                       std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]));
        return true;
    }

    // A SHORT or LONG entry's first value.
    bool number(std::size_t entry, std::uint32_t& v) const {
        unsigned type = 0;
        std::uint32_t count = 0;
        if (!u16(entry + 2, type) || !u32(entry + 4, count) || count < 1)
            return false;
        if (type == 3) {
            unsigned s = 0;
            if (!u16(entry + 8, s))
                return false;
            v = s;
            return true;
        }
        return type == 4 && u32(entry + 8, v);
    }

    // Calls VISIT(tag, entry offset) for each entry of the directory at AT that
    // lies inside the block; gives the next directory's offset (0 for none).
    template <class Visit>
    std::uint32_t directory(std::uint32_t at, Visit visit) const {
        unsigned count = 0;
        if (!u16(at, count))
            return 0;
        const std::size_t first = std::size_t(at) + 2;
        for (unsigned i = 0; i < count; ++i) {
            const std::size_t entry = first + std::size_t(i) * 12;
            unsigned tag = 0;
            if (!has(entry, 12) || !u16(entry, tag))
                return 0;
            visit(tag, entry);
        }
        std::uint32_t next = 0;
        return u32(first + std::size_t(count) * 12, next) ? next : 0;
    }

    std::size_t size() const { return n_; }

private:
    const unsigned char* d_;
    std::size_t n_;
    bool little_ = true;
};

struct ExifFacts {
    int orientation = 1;
    std::size_t thumbnailOffset = 0;  // relative to the TIFF header
    std::size_t thumbnailLength = 0;
};

ExifFacts ReadExif(const unsigned char* data, std::size_t size) {
    ExifFacts facts;
    Tiff tiff(data, size);
    std::uint32_t ifd0 = 0;
    if (!tiff.header(ifd0))
        return facts;
    const std::uint32_t ifd1 = tiff.directory(ifd0, [&](unsigned tag, std::size_t entry) {
        std::uint32_t v = 0;
        if (tag == 0x0112 && tiff.number(entry, v) && v >= 1 && v <= 8)
            facts.orientation = static_cast<int>(v);
    });
    if (ifd1 == 0 || ifd1 == ifd0)
        return facts;
    std::uint32_t offset = 0, length = 0;
    bool haveOffset = false, haveLength = false;
    tiff.directory(ifd1, [&](unsigned tag, std::size_t entry) {
        if (tag == 0x0201)
            haveOffset = tiff.number(entry, offset);
        else if (tag == 0x0202)
            haveLength = tiff.number(entry, length);
    });
    if (haveOffset && haveLength && length > 0 && tiff.has(offset, length)) {
        facts.thumbnailOffset = offset;
        facts.thumbnailLength = length;
    }
    return facts;
}

// From the start of entropy-coded data: true when the end-of-image marker is
// reached, passing restart markers, stuffed bytes and the table and scan
// segments of later scans.
bool ReachesEnd(const unsigned char* d, std::size_t n, std::size_t pos) {
    while (pos < n) {
        const void* ff = std::memchr(d + pos, 0xFF, n - pos);
        if (!ff)
            return false;
        pos = static_cast<std::size_t>(static_cast<const unsigned char*>(ff) - d) + 1;
        while (pos < n && d[pos] == 0xFF)
            ++pos;
        if (pos >= n)
            return false;
        const unsigned m = d[pos++];
        if (m == 0xD9)
            return true;
        if (IsStandalone(m))
            continue;
        if (n - pos < 2)
            return false;
        const std::size_t len = Be16(d + pos);
        if (len < 2 || len > n - pos)
            return false;
        pos += len;
    }
    return false;
}

}  // namespace

JpegInfo ReadJpegInfo(const unsigned char* d, std::size_t n) {
    JpegInfo info;
    if (!d || n < 4 || d[0] != 0xFF || d[1] != 0xD8)
        return info;
    bool haveFrame = false;
    bool haveExif = false;
    std::size_t pos = 2;
    for (;;) {
        // Stray bytes between segments are passed over, as decoders do.
        while (pos < n && d[pos] != 0xFF)
            ++pos;
        while (pos < n && d[pos] == 0xFF)
            ++pos;
        if (pos >= n)
            return info;
        const unsigned m = d[pos++];
        if (m == 0xD9)
            return info;
        if (IsStandalone(m))
            continue;
        if (n - pos < 2)
            return info;
        const std::size_t len = Be16(d + pos);
        if (len < 2 || len > n - pos)
            return info;
        const unsigned char* seg = d + pos + 2;
        const std::size_t segLen = len - 2;
        if (IsFrameMarker(m) && !haveFrame && segLen >= 6) {
            haveFrame = true;
            info.height = static_cast<int>(Be16(seg + 1));
            info.width = static_cast<int>(Be16(seg + 3));
            info.components = seg[5];
        } else if (m == 0xE1 && !haveExif && segLen >= 6 && std::memcmp(seg, "Exif\0\0", 6) == 0) {
            haveExif = true;
            const ExifFacts facts = ReadExif(seg + 6, segLen - 6);
            info.orientation = facts.orientation;
            if (facts.thumbnailLength > 0) {
                info.thumbnailOffset =
                    static_cast<std::size_t>(seg + 6 - d) + facts.thumbnailOffset;
                info.thumbnailLength = facts.thumbnailLength;
            }
        }
        pos += len;
        if (m == 0xDA)
            break;
    }
    info.scanOffset = pos;
    info.isJpeg = haveFrame && info.width > 0 && info.height > 0;
    info.complete = ReachesEnd(d, n, pos);
    return info;
}

}  // namespace orlavo::wizard
