#include "wizard/photos/ExifBlock.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace orlavo::wizard {

namespace {

constexpr unsigned kTagInteropIfd = 0xA005;
constexpr unsigned kTagMakerNote = 0x927C;
constexpr unsigned kTagPixelX = 0xA002;
constexpr unsigned kTagPixelY = 0xA003;
// More entries than any directory of a photo has: a count beyond it is damage.
constexpr unsigned kMaxEntries = 1000;
constexpr int kMaxDepth = 4;

std::size_t TypeSize(unsigned type) {
    switch (type) {
        case 1:  // BYTE
        case 2:  // ASCII
        case 6:  // SBYTE
        case 7:  // UNDEFINED
            return 1;
        case 3:  // SHORT
        case 8:  // SSHORT
            return 2;
        case 4:   // LONG
        case 9:   // SLONG
        case 11:  // FLOAT
        case 13:  // IFD
            return 4;
        case 5:   // RATIONAL
        case 10:  // SRATIONAL
        case 12:  // DOUBLE
            return 8;
        default:
            return 0;
    }
}

// A view of a block's TIFF structure; writes go to the block in place.
class Tiff {
public:
    explicit Tiff(std::string& block) : d_(block) {}

    bool header(std::uint32_t& ifd0) {
        if (d_.size() < 8 || d_[0] != d_[1] || (d_[0] != 'I' && d_[0] != 'M'))
            return false;
        big_ = d_[0] == 'M';
        unsigned magic = 0;
        return u16(2, magic) && magic == 42 && u32(4, ifd0);
    }

    bool has(std::size_t at, std::size_t n) const { return at <= d_.size() && n <= d_.size() - at; }
    bool u16(std::size_t at, unsigned& v) const {
        if (!has(at, 2))
            return false;
        const auto* p = reinterpret_cast<const unsigned char*>(d_.data() + at);
        v = big_ ? (unsigned(p[0]) << 8 | p[1]) : (unsigned(p[1]) << 8 | p[0]);
        return true;
    }
    bool u32(std::size_t at, std::uint32_t& v) const {
        unsigned a = 0, b = 0;
        if (!u16(at, a) || !u16(at + 2, b))
            return false;
        v = big_ ? (std::uint32_t(a) << 16 | b) : (std::uint32_t(b) << 16 | a);
        return true;
    }
    void put16(std::size_t at, unsigned v) {
        d_[at + (big_ ? 0 : 1)] = static_cast<char>((v >> 8) & 0xFF);
        d_[at + (big_ ? 1 : 0)] = static_cast<char>(v & 0xFF);
    }
    void put32(std::size_t at, std::uint32_t v) {
        put16(at + (big_ ? 0 : 2), v >> 16);
        put16(at + (big_ ? 2 : 0), v & 0xFFFF);
    }

    // The entries of the directory at AT, when the whole table lies in the
    // block after its header.
    std::optional<unsigned> count(std::size_t at) const {
        unsigned n = 0;
        if (at < 8 || !u16(at, n) || n > kMaxEntries || !has(at + 2, std::size_t(n) * 12 + 4))
            return std::nullopt;
        return n;
    }
    static std::size_t entry(std::size_t dir, unsigned i) { return dir + 2 + std::size_t(i) * 12; }
    unsigned tag(std::size_t e) const {
        unsigned t = 0;
        u16(e, t);
        return t;
    }
    // A pointer or number entry of count 1 (SHORT, LONG or IFD).
    bool number(std::size_t e, std::uint32_t& v) const {
        unsigned type = 0;
        std::uint32_t n = 0;
        if (!u16(e + 2, type) || !u32(e + 4, n) || n != 1)
            return false;
        if (type == 3) {
            unsigned s = 0;
            if (!u16(e + 8, s))
                return false;
            v = s;
            return true;
        }
        return (type == 4 || type == 13) && u32(e + 8, v);
    }
    void setNumber(std::size_t e, std::uint32_t v) {
        unsigned type = 0;
        std::uint32_t n = 0;
        if (!u16(e + 2, type) || !u32(e + 4, n) || n != 1)
            return;
        if (type == 3 && v <= 0xFFFF)
            put16(e + 8, v);
        else if (type == 4)
            put32(e + 8, v);
    }
    // Where an entry's values lie outside it; false when they are inside it.
    bool outOfLine(std::size_t e, std::size_t& at, std::size_t& n) const {
        unsigned type = 0;
        std::uint32_t count = 0, offset = 0;
        if (!u16(e + 2, type) || !u32(e + 4, count) || !u32(e + 8, offset))
            return false;
        const std::size_t unit = TypeSize(type);
        if (unit == 0 || count > d_.size() / unit)
            return false;
        n = unit * count;
        at = offset;
        return n > 4 && has(at, n);
    }
    std::size_t size() const { return d_.size(); }
    void zero(std::size_t at, std::size_t n) {
        std::fill_n(d_.begin() + std::ptrdiff_t(at), n, '\0');
    }

private:
    std::string& d_;
    bool big_ = false;
};

using Range = std::pair<std::size_t, std::size_t>;  // [first, end)

bool Overlaps(const std::vector<Range>& ranges, std::size_t at, std::size_t n) {
    return std::any_of(ranges.begin(), ranges.end(),
                       [&](const Range& r) { return at < r.second && r.first < at + n; });
}

// The directories a block's photo data lives in: IFD0, IFD1, and the EXIF
// and interoperability directories they point at; each with its table.
struct Directories {
    std::vector<std::size_t> main;  // IFD0 and IFD1, where a GPS pointer may stand
    std::vector<Range> tables;      // every table but the GPS one
};

std::optional<Directories> Walk(Tiff& t) {
    std::uint32_t ifd0 = 0;
    if (!t.header(ifd0))
        return std::nullopt;
    const std::optional<unsigned> n0 = t.count(ifd0);
    if (!n0)
        return std::nullopt;
    Directories dirs;
    // The header is no value of anyone's.
    dirs.tables.push_back({0, 8});
    const auto table = [&t](std::size_t at) {
        return Range{at, at + 2 + std::size_t(*t.count(at)) * 12 + 4};
    };
    dirs.main.push_back(ifd0);
    dirs.tables.push_back(table(ifd0));
    std::uint32_t ifd1 = 0;
    if (t.u32(Tiff::entry(ifd0, *n0), ifd1) && ifd1 != 0 && ifd1 != ifd0 && t.count(ifd1)) {
        dirs.main.push_back(ifd1);
        dirs.tables.push_back(table(ifd1));
    }
    std::uint32_t exif = 0;
    for (unsigned i = 0; i < *n0; ++i) {
        const std::size_t e = Tiff::entry(ifd0, i);
        if (t.tag(e) == kTagExifIfd && t.number(e, exif) && t.count(exif)) {
            dirs.tables.push_back(table(exif));
            const unsigned ne = *t.count(exif);
            for (unsigned k = 0; k < ne; ++k) {
                std::uint32_t interop = 0;
                const std::size_t ee = Tiff::entry(exif, k);
                if (t.tag(ee) == kTagInteropIfd && t.number(ee, interop) && t.count(interop))
                    dirs.tables.push_back(table(interop));
            }
        }
    }
    return dirs;
}

}  // namespace

int ExifOrientation(std::string_view block) {
    std::string copy(block);
    Tiff t(copy);
    std::uint32_t ifd0 = 0;
    if (!t.header(ifd0))
        return 1;
    const std::optional<unsigned> n = t.count(ifd0);
    for (unsigned i = 0; n && i < *n; ++i) {
        const std::size_t e = Tiff::entry(ifd0, i);
        std::uint32_t v = 0;
        if (t.tag(e) == kTagOrientation && t.number(e, v) && v >= 1 && v <= 8)
            return static_cast<int>(v);
    }
    return 1;
}

bool ExifHasLocation(std::string_view block) {
    std::string copy(block);
    Tiff t(copy);
    const std::optional<Directories> dirs = Walk(t);
    if (!dirs)
        return true;
    for (std::size_t dir : dirs->main) {
        const unsigned n = *t.count(dir);
        for (unsigned i = 0; i < n; ++i) {
            if (t.tag(Tiff::entry(dir, i)) == kTagGpsIfd)
                return true;
        }
    }
    return false;
}

namespace {

// One pass over the directories that may point at a GPS directory; true
// when a pointer went. Directories that overlap (only a hostile file's do)
// may change each other, which the caller's next pass sees.
bool RemovePass(std::string& block, Tiff& t, const Directories& dirs) {
    bool changed = false;
    for (std::size_t dir : dirs.main) {
        for (unsigned i = 0;;) {
            const std::optional<unsigned> count = t.count(dir);
            if (!count || i >= *count)
                break;
            const std::size_t e = Tiff::entry(dir, i);
            if (t.tag(e) != kTagGpsIfd) {
                ++i;
                continue;
            }
            std::uint32_t gps = 0;
            const bool pointer = t.number(e, gps);
            // The pointer goes: the entries after it, and the next
            // directory's offset, move up by one entry.
            const unsigned n = *count;
            const std::size_t tableEnd = Tiff::entry(dir, n) + 4;
            std::memmove(block.data() + e, block.data() + e + 12, tableEnd - e - 12);
            t.zero(tableEnd - 12, 12);
            t.put16(dir, n - 1);
            changed = true;
            const std::optional<unsigned> ng = pointer ? t.count(gps) : std::nullopt;
            if (!ng)
                continue;
            for (unsigned k = 0; k < *ng; ++k) {
                std::size_t at = 0, len = 0;
                if (t.outOfLine(Tiff::entry(gps, k), at, len) && !Overlaps(dirs.tables, at, len))
                    t.zero(at, len);
            }
            const std::size_t tableLen = 2 + std::size_t(*ng) * 12 + 4;
            if (!Overlaps(dirs.tables, gps, tableLen))
                t.zero(gps, tableLen);
        }
    }
    return changed;
}

}  // namespace

ExifEdit RemoveExifLocation(std::string& block) {
    Tiff t(block);
    bool changed = false;
    for (int pass = 0; pass < 4; ++pass) {
        const std::optional<Directories> dirs = Walk(t);
        // A block its own edit left unreadable goes whole, as one that was.
        if (!dirs)
            return ExifEdit::Unreadable;
        if (!RemovePass(block, t, *dirs))
            return changed ? ExifEdit::Changed : ExifEdit::Unchanged;
        changed = true;
    }
    return ExifHasLocation(block) ? ExifEdit::Unreadable : ExifEdit::Changed;
}

bool SetExifUpright(std::string& block, int width, int height) {
    Tiff t(block);
    std::uint32_t ifd0 = 0;
    if (!t.header(ifd0))
        return false;
    const std::optional<unsigned> n = t.count(ifd0);
    if (!n)
        return false;
    std::uint32_t exif = 0;
    for (unsigned i = 0; i < *n; ++i) {
        const std::size_t e = Tiff::entry(ifd0, i);
        if (t.tag(e) == kTagOrientation)
            t.setNumber(e, 1);
        else if (t.tag(e) == kTagExifIfd)
            t.number(e, exif);
    }
    const std::optional<unsigned> ne = exif != 0 ? t.count(exif) : std::nullopt;
    for (unsigned i = 0; ne && i < *ne; ++i) {
        const std::size_t e = Tiff::entry(exif, i);
        if (t.tag(e) == kTagPixelX)
            t.setNumber(e, std::uint32_t(std::max(width, 0)));
        else if (t.tag(e) == kTagPixelY)
            t.setNumber(e, std::uint32_t(std::max(height, 0)));
    }
    return true;
}

namespace {

// Copies directories of a TIFF file into a new block of the same byte order,
// values and all, following the EXIF, GPS and interoperability pointers.
class ExifCopier {
public:
    ExifCopier(ByteSource& source, bool big) : src_(source), big_(big) {}

    // The directory at AT of the source with the entries KEEP lets through;
    // its offset in the new block, 0 when it cannot be read.
    template <class Keep>
    std::uint32_t copy(std::uint64_t at, const Keep& keep, int depth) {
        if (depth > kMaxDepth || !visited_.insert(at).second)
            return 0;
        unsigned n = 0;
        if (!read16(at, n) || n == 0 || n > kMaxEntries)
            return 0;
        const std::string table = src_.bytes(at + 2, std::size_t(n) * 12);
        if (table.empty())
            return 0;
        struct Entry {
            unsigned tag, type;
            std::uint32_t count;
            std::string value;  // four bytes, as they go in the entry
            bool pointer;
        };
        std::vector<Entry> entries;
        for (unsigned i = 0; i < n; ++i) {
            const char* e = table.data() + std::size_t(i) * 12;
            const unsigned tag = u16(e), type = u16(e + 2);
            const std::uint32_t count = u32(e + 4);
            if (!keep(tag) || TypeSize(type) == 0)
                continue;
            const bool pointer = tag == kTagExifIfd || tag == kTagGpsIfd || tag == kTagInteropIfd;
            if (pointer && (count != 1 || (type != 4 && type != 13)))
                continue;
            entries.push_back({tag, type, count, std::string(e + 8, 4), pointer});
        }
        if (entries.empty())
            return 0;
        align();
        const std::size_t dir = out_.size();
        out_.append(2 + entries.size() * 12 + 4, '\0');
        std::size_t written = 0;
        for (Entry& entry : entries) {
            if (entry.pointer) {
                const std::uint32_t child = copyChild(entry.tag, u32(entry.value.data()), depth);
                if (child == 0)
                    continue;
                entry.type = 4;
                entry.value = bytes32(child);
            } else {
                const std::uint64_t size = std::uint64_t(TypeSize(entry.type)) * entry.count;
                if (size > kMaxExifBlock)
                    continue;
                if (size > 4) {
                    const std::string value =
                        src_.bytes(base_ + u32(entry.value.data()), std::size_t(size));
                    if (value.empty())
                        continue;
                    align();
                    entry.value = bytes32(std::uint32_t(out_.size()));
                    out_ += value;
                }
            }
            const std::size_t e = dir + 2 + written * 12;
            put16(e, entry.tag);
            put16(e + 2, entry.type);
            out_.replace(e + 4, 4, bytes32(entry.count));
            out_.replace(e + 8, 4, entry.value);
            ++written;
        }
        put16(dir, unsigned(written));
        return written > 0 ? std::uint32_t(dir) : 0;
    }

    std::string& out() { return out_; }
    void setBase(std::uint64_t base) { base_ = base; }

private:
    std::uint32_t copyChild(unsigned tag, std::uint32_t offset, int depth) {
        if (tag == kTagExifIfd)
            return copy(
                base_ + offset, [](unsigned t) { return t != kTagMakerNote; }, depth + 1);
        return copy(
            base_ + offset, [](unsigned) { return true; }, depth + 1);
    }
    bool read16(std::uint64_t at, unsigned& v) {
        char b[2];
        if (!src_.read(at, b, 2))
            return false;
        v = u16(b);
        return true;
    }
    unsigned u16(const char* p) const {
        const auto* b = reinterpret_cast<const unsigned char*>(p);
        return big_ ? (unsigned(b[0]) << 8 | b[1]) : (unsigned(b[1]) << 8 | b[0]);
    }
    std::uint32_t u32(const char* p) const {
        return big_ ? (std::uint32_t(u16(p)) << 16 | u16(p + 2))
                    : (std::uint32_t(u16(p + 2)) << 16 | u16(p));
    }
    void put16(std::size_t at, unsigned v) {
        out_[at + (big_ ? 0 : 1)] = static_cast<char>((v >> 8) & 0xFF);
        out_[at + (big_ ? 1 : 0)] = static_cast<char>(v & 0xFF);
    }
    std::string bytes32(std::uint32_t v) const {
        std::string b(4, '\0');
        for (int i = 0; i < 4; ++i)
            b[std::size_t(big_ ? i : 3 - i)] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
        return b;
    }
    void align() {
        if (out_.size() % 2 != 0)
            out_ += '\0';
    }

    ByteSource& src_;
    bool big_;
    std::uint64_t base_ = 0;
    std::string out_;
    std::set<std::uint64_t> visited_;
};

constexpr std::array<unsigned, 13> kPhotoTags = {
    0x010E,  // ImageDescription
    0x010F,  // Make
    0x0110,  // Model
    kTagOrientation,
    0x011A,  // XResolution
    0x011B,  // YResolution
    0x0128,  // ResolutionUnit
    0x0131,  // Software
    0x0132,  // DateTime
    0x013B,  // Artist
    0x8298,  // Copyright
    kTagExifIfd,     kTagGpsIfd,
};

}  // namespace

std::string ExifFromTiff(ByteSource& source) {
    char head[8];
    if (!source.read(0, head, sizeof head) || head[0] != head[1] ||
        (head[0] != 'I' && head[0] != 'M'))
        return {};
    const bool big = head[0] == 'M';
    ExifCopier copier(source, big);
    std::string& out = copier.out();
    out.assign(big ? std::string("MM\0*\0\0\0\x08", 8) : std::string("II*\0\x08\0\0\0", 8));
    const auto* h = reinterpret_cast<const unsigned char*>(head);
    const std::uint32_t ifd0 = big ? (std::uint32_t(h[4]) << 24 | std::uint32_t(h[5]) << 16 |
                                      std::uint32_t(h[6]) << 8 | h[7])
                                   : (std::uint32_t(h[7]) << 24 | std::uint32_t(h[6]) << 16 |
                                      std::uint32_t(h[5]) << 8 | h[4]);
    const auto keep = [](unsigned tag) {
        return std::find(kPhotoTags.begin(), kPhotoTags.end(), tag) != kPhotoTags.end();
    };
    if (copier.copy(ifd0, keep, 0) != 8 || out.size() > kMaxExifBlock)
        return {};
    return out;
}

}  // namespace orlavo::wizard
