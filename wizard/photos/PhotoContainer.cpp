#include "wizard/photos/PhotoContainer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "wizard/photos/ExifBlock.h"

namespace orlavo::wizard {

namespace {

// Chunks visited at most: a photo has far fewer; a file of millions of
// empty chunks is not one.
constexpr int kMaxChunks = 200000;
// An EXIF block or XMP packet larger than this is no photo's.
constexpr std::uint32_t kMaxMetadata = 1u << 20;
// Strips or tiles of one picture checked at most.
constexpr std::uint32_t kMaxPieces = 1u << 20;

std::uint32_t Be32(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
std::uint32_t Le32(const unsigned char* p) {
    return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}
std::uint32_t Le24(const unsigned char* p) {
    return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

// Some writers put the JPEG segment's "Exif\0\0" in front of the TIFF structure.
std::string WithoutExifPrefix(std::string exif) {
    if (exif.size() >= 6 && std::memcmp(exif.data(), "Exif\0\0", 6) == 0)
        exif.erase(0, 6);
    return exif;
}

// An uncompressed iTXt chunk with the XMP keyword: its text.
std::string XmpOfITxt(const std::string& data) {
    static constexpr std::string_view kKeyword("XML:com.adobe.xmp\0", 18);
    if (data.size() < kKeyword.size() + 2 || data.compare(0, kKeyword.size(), kKeyword) != 0 ||
        data[kKeyword.size()] != 0)
        return {};
    std::size_t at = kKeyword.size() + 2;
    for (int field = 0; field < 2; ++field) {  // language tag, translated keyword
        const std::size_t end = data.find('\0', at);
        if (end == std::string::npos)
            return {};
        at = end + 1;
    }
    return data.substr(at);
}

}  // namespace

ContainerFacts ReadPngFacts(ByteSource& src) {
    ContainerFacts facts;
    unsigned char head[8];
    if (!src.read(0, head, 8) || std::memcmp(head, "\x89PNG\r\n\x1A\n", 8) != 0)
        return facts;
    std::uint64_t at = 8;
    for (int i = 0; i < kMaxChunks; ++i) {
        unsigned char h[8];
        if (!src.read(at, h, 8))
            return facts;
        const std::uint32_t length = Be32(h);
        const std::string type(reinterpret_cast<const char*>(h + 4), 4);
        const std::uint64_t data = at + 8;
        const std::uint64_t end = data + std::uint64_t(length) + 4;  // and the CRC
        if (end > src.size())
            return facts;
        if (type == "IHDR" && i == 0 && length >= 13) {
            unsigned char ihdr[13];
            if (!src.read(data, ihdr, 13))
                return facts;
            facts.width = int(std::min<std::uint32_t>(Be32(ihdr), INT32_MAX));
            facts.height = int(std::min<std::uint32_t>(Be32(ihdr + 4), INT32_MAX));
            facts.bitDepth = ihdr[8];
            facts.hasAlpha = ihdr[9] == 4 || ihdr[9] == 6;
            facts.readable = facts.width > 0 && facts.height > 0;
        } else if (i == 0) {
            return facts;  // the header must come first
        } else if (type == "tRNS") {
            facts.hasAlpha = true;
        } else if (type == "iCCP") {
            facts.hasIcc = true;
        } else if (type == "eXIf" && length <= kMaxMetadata && facts.exif.empty()) {
            facts.exif = WithoutExifPrefix(src.bytes(data, length));
            facts.orientation = ExifOrientation(facts.exif);
        } else if (type == "iTXt" && length <= kMaxMetadata && facts.xmp.empty()) {
            facts.xmp = XmpOfITxt(src.bytes(data, length));
        } else if (type == "IEND") {
            facts.whole = facts.readable;
            return facts;
        }
        at = end;
    }
    return facts;
}

ContainerFacts ReadWebpFacts(ByteSource& src) {
    ContainerFacts facts;
    unsigned char head[12];
    if (!src.read(0, head, 12) || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WEBP", 4) != 0)
        return facts;
    const std::uint64_t riffEnd = 8 + std::uint64_t(Le32(head + 4));
    std::uint64_t at = 12;
    bool sized = false;
    for (int i = 0; i < kMaxChunks && at < riffEnd; ++i) {
        unsigned char h[8];
        if (!src.read(at, h, 8))
            return facts;
        const std::string type(reinterpret_cast<const char*>(h), 4);
        const std::uint32_t length = Le32(h + 4);
        const std::uint64_t data = at + 8;
        const std::uint64_t end = data + length + (length & 1);
        if (data + length > riffEnd || data + length > src.size())
            return facts;
        unsigned char b[10] = {};
        if (type == "VP8X" && length >= 10 && src.read(data, b, 10)) {
            facts.hasAlpha = (b[0] & 0x10) != 0;
            facts.hasIcc = (b[0] & 0x20) != 0;
            facts.width = int(Le24(b + 4)) + 1;
            facts.height = int(Le24(b + 7)) + 1;
            sized = true;
        } else if (type == "VP8 " && length >= 10 && !sized && src.read(data, b, 10) &&
                   b[3] == 0x9D && b[4] == 0x01 && b[5] == 0x2A) {
            facts.width = (b[6] | b[7] << 8) & 0x3FFF;
            facts.height = (b[8] | b[9] << 8) & 0x3FFF;
            sized = true;
        } else if (type == "VP8L" && length >= 5 && !sized && src.read(data, b, 5) &&
                   b[0] == 0x2F) {
            const std::uint32_t bits = Le32(b + 1);
            facts.width = int(bits & 0x3FFF) + 1;
            facts.height = int((bits >> 14) & 0x3FFF) + 1;
            facts.hasAlpha = ((bits >> 28) & 1) != 0;
            sized = true;
        } else if (type == "ICCP") {
            facts.hasIcc = true;
        } else if (type == "EXIF" && length <= kMaxMetadata && facts.exif.empty()) {
            facts.exif = WithoutExifPrefix(src.bytes(data, length));
            facts.orientation = ExifOrientation(facts.exif);
        } else if (type == "XMP " && length <= kMaxMetadata && facts.xmp.empty()) {
            facts.xmp = src.bytes(data, length);
        }
        at = end;
    }
    facts.readable = sized && facts.width > 0 && facts.height > 0;
    // A padding byte after the last chunk may be missing.
    facts.whole = facts.readable && at >= riffEnd && riffEnd <= src.size() + 1;
    return facts;
}

namespace {

// The first directory of a TIFF file, read by position.
class TiffReader {
public:
    explicit TiffReader(ByteSource& src) : src_(src) {}

    bool header(std::uint64_t& ifd0) {
        unsigned char h[8];
        if (!src_.read(0, h, 8) || h[0] != h[1] || (h[0] != 'I' && h[0] != 'M'))
            return false;
        big_ = h[0] == 'M';
        if (u16(h + 2) != 42)
            return false;
        ifd0 = u32(h + 4);
        return true;
    }
    unsigned u16(const unsigned char* p) const {
        return big_ ? (unsigned(p[0]) << 8 | p[1]) : (unsigned(p[1]) << 8 | p[0]);
    }
    std::uint32_t u32(const unsigned char* p) const { return big_ ? Be32(p) : Le32(p); }
    // The values of entry E (12 bytes) as numbers, at most MAX of them.
    bool numbers(const unsigned char* e, std::uint32_t max, std::vector<std::uint32_t>& out) {
        const unsigned type = u16(e + 2);
        const std::uint32_t count = u32(e + 4);
        const std::size_t unit = type == 3 ? 2 : type == 4 ? 4 : 0;
        if (unit == 0 || count == 0 || count > max)
            return false;
        const std::size_t bytes = unit * count;
        std::vector<unsigned char> raw(bytes);
        if (bytes <= 4)
            std::memcpy(raw.data(), e + 8, bytes);
        else if (!src_.read(u32(e + 8), raw.data(), bytes))
            return false;
        out.resize(count);
        for (std::uint32_t i = 0; i < count; ++i)
            out[i] = unit == 2 ? u16(raw.data() + 2 * i) : u32(raw.data() + 4 * i);
        return true;
    }
    ByteSource& src() { return src_; }

private:
    ByteSource& src_;
    bool big_ = false;
};

}  // namespace

ContainerFacts ReadTiffFacts(ByteSource& src) {
    ContainerFacts facts;
    TiffReader tiff(src);
    std::uint64_t ifd0 = 0;
    unsigned char countBytes[2];
    if (!tiff.header(ifd0) || !src.read(ifd0, countBytes, 2))
        return facts;
    const unsigned n = tiff.u16(countBytes);
    std::vector<unsigned char> table(std::size_t(n) * 12);
    if (n == 0 || n > 1000 || !src.read(ifd0 + 2, table.data(), table.size()))
        return facts;
    std::vector<std::uint32_t> offsets, counts, v;
    int samples = 1;
    for (unsigned i = 0; i < n; ++i) {
        const unsigned char* e = table.data() + std::size_t(i) * 12;
        switch (tiff.u16(e)) {
            case 256:
                if (tiff.numbers(e, 1, v))
                    facts.width = int(std::min<std::uint32_t>(v[0], INT32_MAX));
                break;
            case 257:
                if (tiff.numbers(e, 1, v))
                    facts.height = int(std::min<std::uint32_t>(v[0], INT32_MAX));
                break;
            case 258:
                if (tiff.numbers(e, 16, v))
                    facts.bitDepth = int(*std::max_element(v.begin(), v.end()));
                break;
            case 274:
                if (tiff.numbers(e, 1, v) && v[0] >= 1 && v[0] <= 8)
                    facts.orientation = int(v[0]);
                break;
            case 277:
                if (tiff.numbers(e, 1, v))
                    samples = int(v[0]);
                break;
            case 338:
                facts.hasAlpha = true;
                break;
            case 273:
            case 324:
                tiff.numbers(e, kMaxPieces, offsets);
                break;
            case 279:
            case 325:
                tiff.numbers(e, kMaxPieces, counts);
                break;
            case 34675:
                facts.hasIcc = true;
                break;
            case 700: {
                const std::uint32_t length = tiff.u32(e + 4);
                if (length > 4 && length <= kMaxMetadata)
                    facts.xmp = src.bytes(tiff.u32(e + 8), length);
                break;
            }
            default:
                break;
        }
    }
    facts.hasAlpha = facts.hasAlpha && samples > 1;
    facts.readable = facts.width > 0 && facts.height > 0;
    bool inside = !offsets.empty() && offsets.size() == counts.size();
    for (std::size_t i = 0; inside && i < offsets.size(); ++i)
        inside = std::uint64_t(offsets[i]) + counts[i] <= src.size();
    facts.whole = facts.readable && inside;
    facts.exif = ExifFromTiff(src);
    return facts;
}

bool HeifBoxesWhole(ByteSource& src) {
    std::uint64_t at = 0;
    for (int i = 0; i < kMaxChunks; ++i) {
        if (at == src.size())
            return i > 0;
        unsigned char h[16];
        if (!src.read(at, h, 8))
            return false;
        if (i == 0 && std::memcmp(h + 4, "ftyp", 4) != 0)
            return false;
        std::uint64_t size = Be32(h);
        if (size == 0)
            return true;  // the last box runs to the file's end
        if (size == 1) {
            if (!src.read(at + 8, h + 8, 8))
                return false;
            size = std::uint64_t(Be32(h + 8)) << 32 | Be32(h + 12);
            if (size < 16)
                return false;
        } else if (size < 8) {
            return false;
        }
        if (size > src.size() - at)
            return false;
        at += size;
    }
    return false;
}

}  // namespace orlavo::wizard
