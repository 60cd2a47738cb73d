#pragma once
// SHA-256 of bytes, in pieces or at once, as lower-case hex.

#include <memory>
#include <string>
#include <string_view>

namespace orlavo {

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(std::string_view bytes);
    // The digest of everything added, 64 lower-case hex digits.
    std::string hex() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

std::string Sha256Hex(std::string_view bytes);

// True when TEXT is 64 hex digits (either case) equal to HEX.
bool Sha256Matches(std::string_view text, std::string_view hex);

}  // namespace orlavo
