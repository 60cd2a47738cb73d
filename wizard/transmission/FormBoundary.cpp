#include "wizard/transmission/FormBoundary.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "wizard/transmission/FormParts.h"

namespace orlavo::transmission {

namespace {

constexpr std::size_t kPieceBytes = 256 * 1024;
constexpr std::string_view kAlphabet =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kTries = 16;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// kBoundary and random characters, as long as a boundary may be.
std::string Candidate() {
    std::random_device source;
    std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
    std::string boundary(kBoundary);
    while (boundary.size() < kMaxBoundaryLength)
        boundary += kAlphabet[pick(source)];
    return boundary;
}

}  // namespace

std::optional<bool> FileHolds(const std::string& path, std::string_view needle) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file || needle.empty())
        return std::nullopt;
    // Each piece is searched after the end of the one before it, whose last
    // bytes (one fewer than the needle) are carried over in front.
    const std::size_t carry = needle.size() - 1;
    std::vector<char> buffer(carry + kPieceBytes);
    const std::boyer_moore_horspool_searcher search(needle.begin(), needle.end());
    std::size_t kept = 0;
    for (;;) {
        const std::size_t got = std::fread(buffer.data() + kept, 1, kPieceBytes, file.get());
        const std::size_t have = kept + got;
        const auto end = buffer.begin() + static_cast<std::ptrdiff_t>(have);
        if (std::search(buffer.begin(), end, search) != end)
            return true;
        if (got < kPieceBytes)
            return std::ferror(file.get()) ? std::nullopt : std::optional<bool>(false);
        kept = std::min(carry, have);
        std::copy(end - static_cast<std::ptrdiff_t>(kept), end, buffer.begin());
    }
}

std::optional<std::string> ChooseBoundary(std::initializer_list<std::string_view> texts,
                                          const std::string& path) {
    std::string boundary(kBoundary);
    for (int tries = 0; tries < kTries; ++tries) {
        bool held = std::any_of(texts.begin(), texts.end(), [&](std::string_view text) {
            return text.find(boundary) != std::string_view::npos;
        });
        if (!held && !path.empty()) {
            const std::optional<bool> inFile = FileHolds(path, boundary);
            if (!inFile)
                return std::nullopt;
            held = *inFile;
        }
        if (!held)
            return boundary;
        boundary = Candidate();
    }
    return std::nullopt;
}

}  // namespace orlavo::transmission
