#include "wizard/photos/JpegLocation.h"

#include <cstring>
#include <vector>

#include "wizard/photos/ExifBlock.h"
#include "wizard/photos/XmpLocation.h"

namespace orlavo::wizard {

namespace {

constexpr std::string_view kExifId("Exif\0\0", 6);
constexpr std::string_view kXmpId("http://ns.adobe.com/xap/1.0/\0", 29);
constexpr std::string_view kExtendedXmpId("http://ns.adobe.com/xmp/extension/\0", 35);
// GUID (32), full length (4) and offset (4) of an extended XMP part.
constexpr std::size_t kExtendedHead = 40;

enum class Kind { Other, Exif, Xmp, ExtendedXmp };

struct Segment {
    std::size_t start = 0;  // at its 0xFF
    std::size_t end = 0;
    Kind kind = Kind::Other;
    std::string_view payload;  // after the identifier
};

bool Starts(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

struct Walk {
    std::vector<Segment> segments;  // those that are whole
    bool reachedScan = false;
};

// The segments before the first scan.
Walk Segments(std::string_view d) {
    const auto byte = [&d](std::size_t i) { return static_cast<unsigned char>(d[i]); };
    Walk walk;
    if (d.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
        return walk;
    std::vector<Segment>& segments = walk.segments;
    std::size_t pos = 2;
    for (;;) {
        while (pos < d.size() && byte(pos) != 0xFF)
            ++pos;
        const std::size_t start = pos;
        while (pos < d.size() && byte(pos) == 0xFF)
            ++pos;
        if (pos + 3 > d.size())
            return walk;
        const unsigned marker = byte(pos++);
        if (marker == 0xD9)
            return walk;
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        const std::size_t length = std::size_t(byte(pos)) << 8 | byte(pos + 1);
        if (length < 2 || length > d.size() - pos)
            return walk;
        Segment s;
        s.start = start;
        s.end = pos + length;
        const std::string_view body = d.substr(pos + 2, length - 2);
        if (marker == 0xE1 && Starts(body, kExifId)) {
            s.kind = Kind::Exif;
            s.payload = body.substr(kExifId.size());
        } else if (marker == 0xE1 && Starts(body, kXmpId)) {
            s.kind = Kind::Xmp;
            s.payload = body.substr(kXmpId.size());
        } else if (marker == 0xE1 && Starts(body, kExtendedXmpId) &&
                   body.size() >= kExtendedXmpId.size() + kExtendedHead) {
            s.kind = Kind::ExtendedXmp;
            s.payload = body.substr(kExtendedXmpId.size() + kExtendedHead);
        }
        segments.push_back(s);
        pos = s.end;
        if (marker == 0xDA) {
            walk.reachedScan = true;
            return walk;
        }
    }
}

// The extended XMP parts together, in file order (a writer puts them in
// order of their offsets).
std::string ExtendedXmp(const std::vector<Segment>& segments) {
    std::string all;
    for (const Segment& s : segments) {
        if (s.kind == Kind::ExtendedXmp)
            all.append(s.payload);
    }
    return all;
}

// An APP1 segment with IDENTIFIER and PAYLOAD; empty when it would not fit.
std::string App1(std::string_view identifier, std::string_view payload) {
    const std::size_t length = 2 + identifier.size() + payload.size();
    if (length > 0xFFFF)
        return {};
    std::string s = "\xFF\xE1";
    s += static_cast<char>(length >> 8);
    s += static_cast<char>(length & 0xFF);
    s.append(identifier);
    s.append(payload);
    return s;
}

}  // namespace

bool JpegHasLocation(const unsigned char* data, std::size_t size) {
    if (data == nullptr)
        return false;
    // A head cut before the scan still tells what its whole segments hold.
    const Walk walk = Segments(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const Segment& s : walk.segments) {
        if ((s.kind == Kind::Exif && ExifHasLocation(s.payload)) ||
            (s.kind == Kind::Xmp && XmpHasLocation(s.payload)))
            return true;
    }
    const std::string extended = ExtendedXmp(walk.segments);
    return !extended.empty() && XmpHasLocation(extended);
}

std::optional<std::string> RemoveJpegLocation(std::string_view jpeg) {
    const Walk walk = Segments(jpeg);
    if (!walk.reachedScan)
        return std::nullopt;
    const std::string extended = ExtendedXmp(walk.segments);
    const bool dropExtended = !extended.empty() && XmpHasLocation(extended);
    std::string out;
    std::size_t copied = 0;
    bool changed = false;
    const auto replace = [&](const Segment& s, std::string_view with) {
        out.append(jpeg.substr(copied, s.start - copied));
        out.append(with);
        copied = s.end;
        changed = true;
    };
    for (const Segment& s : walk.segments) {
        if (s.kind == Kind::Exif) {
            std::string block(s.payload);
            const ExifEdit edit = RemoveExifLocation(block);
            if (edit == ExifEdit::Changed)
                replace(s, App1(kExifId, block));
            else if (edit == ExifEdit::Unreadable)
                replace(s, {});
        } else if (s.kind == Kind::Xmp && XmpHasLocation(s.payload)) {
            const std::optional<std::string> packet = RemoveXmpLocation(s.payload);
            replace(s, packet ? App1(kXmpId, *packet) : std::string());
        } else if (s.kind == Kind::ExtendedXmp && dropExtended) {
            replace(s, {});
        }
    }
    if (!changed)
        return std::string(jpeg);
    out.append(jpeg.substr(copied));
    return out;
}

}  // namespace orlavo::wizard
