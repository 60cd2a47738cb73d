#pragma once
// String numbers of the catalogue's texts, and filling their placeholders.

#include <initializer_list>
#include <string>
#include <string_view>

namespace orlavo::wizard {

inline constexpr int kStrParamErrors = 158;   // "Param.xmp has errors!"
inline constexpr int kStrException = 181;     // "Exception!"
inline constexpr int kStrParserBroken = 191;  // "XML parser does not work properly"
inline constexpr int kStrUnspecifiedRemoteFile = 3100;
inline constexpr int kStrDownloadStatus = 3101;    // address, status code
inline constexpr int kStrDownloadLength = 3102;    // address
inline constexpr int kStrDownloadTooLarge = 3103;  // address, MiB

// Replaces each "%s" or "%d" of PATTERN in turn by the next of VALUES.
std::string FillText(std::string_view pattern, std::initializer_list<std::string_view> values);

}  // namespace orlavo::wizard
