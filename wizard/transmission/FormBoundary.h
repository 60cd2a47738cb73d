#pragma once
// The boundary of one form: the fixed one, unless a part holds it. A photo
// is a file the user chose, and its bytes may hold anything, the fixed
// boundary and a forged part after it among them; a lab that met it there
// would end the photo early and read the rest as parts of their own.
//
// A file is scanned from disk in pieces (the photo may be hundreds of
// megabytes), once per form in the usual case.

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace orlavo::transmission {

// Longest boundary a form may have.
inline constexpr std::size_t kMaxBoundaryLength = 70;

// Whether the file at PATH holds NEEDLE (not empty); none when it cannot be
// read to its end.
std::optional<bool> FileHolds(const std::string& path, std::string_view needle);

// kBoundary when none of TEXTS nor the file at PATH (none when PATH is
// empty) holds it; otherwise kBoundary followed by random letters and
// digits, checked against them all in turn. None when the file cannot be
// read, or (beyond chance) no boundary was found clear.
std::optional<std::string> ChooseBoundary(std::initializer_list<std::string_view> texts,
                                          const std::string& path = {});

}  // namespace orlavo::transmission
