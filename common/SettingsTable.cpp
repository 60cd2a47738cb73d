#include "common/SettingsTable.h"

#include <array>
#include <cctype>

namespace orlavo {

namespace {

constexpr SettingSpec Text(std::string_view s, std::string_view v) {
    return {s, v, SettingType::Text, "", 0};
}
constexpr SettingSpec Number(std::string_view s, std::string_view v, std::int32_t d) {
    return {s, v, SettingType::Number, "", d};
}

constexpr std::string_view D = "DownloadInfo";
constexpr std::string_view S = "Settings";
constexpr std::string_view U = "UserDetails";
constexpr std::string_view H = "ShippingDetails";

constexpr std::array kSettings{
    Text(D, "DownloadURL"),
    Text(D, "UploadURL"),
    Text(D, "OnlineAlbumURL"),
    Text(D, "PriceRequestURL"),
    Text(D, "TermsOfServiceURL"),
    Text(D, "HelpURL"),
    // A signed decimal number kept as text; empty reads as 0.
    Text(D, "UseDealerNumber"),

    Number(S, "Debug", 0),
    Text(S, "LocalPath"),
    Text(S, "UpdateURL"),
    Number(S, "RegistryVersion", 0),
    // The wizard window's size, "WIDTHxHEIGHT", with " maximized" when it was.
    Text(S, "WizardWindow"),
    // Step 1 as the user left it: the folder shown, the view (0 thumbnails,
    // 1 list), the list's sort column and direction, the thumbnails' side.
    Text(S, "PhotoFolder"),
    Number(S, "PhotoView", 0),
    Number(S, "PhotoSortColumn", 0),
    Number(S, "PhotoSortAscending", 0),
    Number(S, "ThumbnailSize", 92),
    // Whether step 1 uses and fills the desktop's thumbnail cache.
    Number(S, "ShareThumbnails", 1),
    // Preferences: the photos go without where they were taken (1) or as
    // they are (0).
    Number(S, "RemoveLocation", 1),

    Number(U, "Remember", 0),
    Text(U, "FirstName"),
    Text(U, "LastName"),
    Text(U, "Address"),
    Text(U, "Address2"),
    Text(U, "Town"),
    Text(U, "State"),
    Text(U, "PostCode"),
    Text(U, "Country"),
    Text(U, "Phone"),
    Text(U, "Email"),
    Text(U, "CustomerNumber"),
    Text(U, "DealerNumber"),
    Text(U, "PicturesFolder"),
    Number(U, "ZoomAndTrimAll", 0),
    Number(U, "ProdQuantity", 1),
    Number(U, "ProductType", 0),
    Number(U, "ProductTypeIndex", 0),
    Number(U, "Shop", 1),
    Number(U, "ShopNumber", 0),
    Number(U, "ShippingAsBilling", 0),

    Text(H, "ShippingName"),
    Text(H, "ShippingAddress"),
    Text(H, "ShippingAddress2"),
    Text(H, "ShippingCity"),
    Text(H, "ShippingState"),
    Text(H, "ShippingPostCode"),
    Text(H, "ShippingCountry"),
    Text(H, "ShippingPhone"),
};

}  // namespace

std::span<const SettingSpec> AllSettings() {
    return kSettings;
}

namespace {

// Registry names compare without regard to (ASCII) case.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

const SettingSpec* FindSetting(std::string_view section, std::string_view value) {
    for (const auto& s : kSettings)
        if (SameName(s.section, section) && SameName(s.value, value))
            return &s;
    return nullptr;
}

}  // namespace orlavo
