#include "wizard/photos/PhotoFormat.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace orlavo::wizard {

namespace {

// The brands of HEIF files whose pictures are HEVC coded (ISO/IEC 23008-12),
// and the generic brands that an HEVC file may name alone.
constexpr std::array<std::string_view, 8> kHeifBrands = {"heic", "heix", "heim", "heis",
                                                         "hevc", "hevx", "mif1", "msf1"};

bool IsHeifBrand(std::string_view brand) {
    return std::find(kHeifBrands.begin(), kHeifBrands.end(), brand) != kHeifBrands.end();
}

bool Starts(const unsigned char* d, std::size_t n, std::string_view magic, std::size_t at = 0) {
    return n >= at + magic.size() && std::memcmp(d + at, magic.data(), magic.size()) == 0;
}

std::uint32_t Be32(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// An "ftyp" box first: its major brand, or one of its compatible brands
// within the bytes given, is a HEIF brand.
bool IsHeif(const unsigned char* d, std::size_t n) {
    if (!Starts(d, n, "ftyp", 4) || n < 12)
        return false;
    const std::size_t boxEnd = std::min<std::size_t>(Be32(d), n);
    if (boxEnd < 16)
        return false;
    if (IsHeifBrand(std::string_view(reinterpret_cast<const char*>(d + 8), 4)))
        return true;
    for (std::size_t at = 16; at + 4 <= boxEnd; at += 4) {
        if (IsHeifBrand(std::string_view(reinterpret_cast<const char*>(d + at), 4)))
            return true;
    }
    return false;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

PhotoFormat SniffPhotoFormat(const unsigned char* d, std::size_t n) {
    if (d == nullptr)
        return PhotoFormat::Unknown;
    n = std::min(n, kSniffBytes);
    if (n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF)
        return PhotoFormat::Jpeg;
    if (Starts(d, n, "\x89PNG\r\n\x1A\n"))
        return PhotoFormat::Png;
    if (Starts(d, n, std::string_view("II*\0", 4)) || Starts(d, n, std::string_view("MM\0*", 4)))
        return PhotoFormat::Tiff;
    if (Starts(d, n, "RIFF") && Starts(d, n, "WEBP", 8))
        return PhotoFormat::WebP;
    if (IsHeif(d, n))
        return PhotoFormat::Heif;
    return PhotoFormat::Unknown;
}

PhotoFormat PhotoFormatOfFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return PhotoFormat::Unknown;
    unsigned char head[kSniffBytes];
    const std::size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    return SniffPhotoFormat(head, n);
}

bool HasOtherPhotoExtension(std::string_view name) {
    static constexpr std::array<std::string_view, 7> kExtensions = {
        ".heic", ".heif", ".hif", ".png", ".tif", ".tiff", ".webp"};
    for (std::string_view ext : kExtensions) {
        if (name.size() <= ext.size())
            continue;
        const std::string_view tail = name.substr(name.size() - ext.size());
        if (std::equal(tail.begin(), tail.end(), ext.begin(),
                       [](char a, char b) { return Lower(a) == b; }))
            return true;
    }
    return false;
}

}  // namespace orlavo::wizard
