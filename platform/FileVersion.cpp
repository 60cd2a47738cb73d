#include "platform/FileVersion.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <vector>

namespace orlavo {

namespace {

// The block's start: 0x01, the tag, 0x02. Built at run time so that this
// reader's own code does not hold a copy of it that a scan would find.
std::string Marker() {
    std::string tag = "PsmbwpGjmfWfstjpo";  // the tag, each letter shifted by one
    for (char& c : tag)
        c = static_cast<char>(c - 1);
    return std::string(1, '\x01') + tag + '\x02';
}

bool IsVersionChar(char c) {
    return (c >= '0' && c <= '9') || c == ',' || c == '.' || c == ' ';
}

constexpr std::size_t kMaxVersionLength = 64;

}  // namespace

std::optional<std::string> ReadFileVersion(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    const std::string marker = Marker();
    // Scan in chunks, keeping an overlap so a block across chunks is found.
    constexpr std::size_t kChunk = 1 << 20;
    const std::size_t keep = marker.size() + kMaxVersionLength + 2;
    std::string window;
    std::vector<char> buf(kChunk);
    while (in) {
        in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
        std::streamsize got = in.gcount();
        if (got <= 0)
            break;
        window.append(buf.data(), static_cast<std::size_t>(got));
        bool atEnd = !in;
        std::size_t pos = 0;
        while ((pos = window.find(marker, pos)) != std::string::npos) {
            std::size_t start = pos + marker.size();
            std::size_t end = start;
            while (end < window.size() && end - start <= kMaxVersionLength &&
                   IsVersionChar(window[end]))
                ++end;
            // A NUL ends the block in programs, a line feed in bundles.
            bool terminated =
                end < window.size() ? (window[end] == '\0' || window[end] == '\n') : atEnd;
            if (end == window.size() && !atEnd)
                break;  // wait for more bytes
            if (terminated && end > start && end - start <= kMaxVersionLength &&
                std::any_of(window.begin() + static_cast<long>(start),
                            window.begin() + static_cast<long>(end),
                            [](char c) { return c >= '0' && c <= '9'; }))
                return window.substr(start, end - start);
            pos = start;
        }
        if (window.size() > keep)
            window.erase(0, window.size() - keep);
    }
    return std::nullopt;
}

std::string OwnExecutablePath() {
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

std::string OwnExecutableFolder() {
    std::string p = OwnExecutablePath();
    std::size_t slash = p.rfind('/');
    return slash == std::string::npos ? std::string("./") : p.substr(0, slash + 1);
}

std::optional<std::string> OwnFileVersion() {
    return ReadFileVersion(OwnExecutablePath());
}

}  // namespace orlavo
