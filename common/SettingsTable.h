#pragma once
// Every section and value of the settings store with its type and default.

#include <cstdint>
#include <span>
#include <string_view>

namespace orlavo {

enum class SettingType { Text, Number };

struct SettingSpec {
    std::string_view section;
    std::string_view value;
    SettingType type;
    std::string_view defaultText;  // for Text
    std::int32_t defaultNumber;    // for Number
};

// The whole table, section by section, in the order the settings are documented.
std::span<const SettingSpec> AllSettings();

// The entry for SECTION/VALUE (names compared without regard to case, as the
// registry does), or nullptr for a name the table does not know
// (the updater may write any DownloadInfo value that its manifest names).
const SettingSpec* FindSetting(std::string_view section, std::string_view value);

namespace section {
inline constexpr std::string_view kDownloadInfo = "DownloadInfo";
inline constexpr std::string_view kSettings = "Settings";
inline constexpr std::string_view kUserDetails = "UserDetails";
inline constexpr std::string_view kShippingDetails = "ShippingDetails";
}  // namespace section

}  // namespace orlavo
