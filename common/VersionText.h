#pragma once
// Version texts as the programs show and compare them.

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orlavo {

// Four version numbers, compared first to fourth.
struct VersionNumbers {
    std::array<std::int32_t, 4> n{};
    auto operator<=>(const VersionNumbers&) const = default;
};

// The program version: every blank removed and every "," turned into ".";
// "2, 0, 44, 3" gives "2.0.44.3".
std::string ProgramVersionText(std::string_view fileVersion);

// The resource bundle's variant: only "," turned into "." (blanks kept).
std::string ResourceVersionText(std::string_view fileVersion);

// Reads four numbers separated by "."; each is the leading decimal value of
// its piece (leading blanks skipped). Fewer than three "." does not parse.
std::optional<VersionNumbers> ParseVersion(std::string_view text);

// A bundle fits a program when both version texts parse and their third
// numbers are equal. Both arguments are texts with "," already replaced.
bool BundleVersionAccepted(std::string_view programVersion, std::string_view bundleVersion);

}  // namespace orlavo
