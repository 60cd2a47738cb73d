#include <gtest/gtest.h>

#include "common/RegistryRoot.h"
#include "common/SettingsTable.h"

using namespace orlavo;

TEST(RegistryRoot, WithoutProfileUsesTheProgramName) {
    EXPECT_EQ(RegistryRoot("", "OrlavoW"), "Software\\Vennara\\OrlavoW");
    EXPECT_EQ(RegistryRoot("", "OrlavoW-beta"), "Software\\Vennara\\OrlavoW-beta");
}

TEST(RegistryRoot, ProfileAlwaysNamesOrlavoW) {
    EXPECT_EQ(RegistryRoot("Branch12", "OrlavoW-beta"), "Software\\Vennara\\Branch12\\OrlavoW");
    EXPECT_EQ(UpdaterRegistryRoot(""), "Software\\Vennara\\OrlavoW");
    EXPECT_EQ(UpdaterRegistryRoot("Branch12"), "Software\\Vennara\\Branch12\\OrlavoW");
}

TEST(ProfileFromArguments, FirstArgumentThatIsNotASwitch) {
    EXPECT_EQ(ProfileFromArguments({"OrlavoW"}), "");
    EXPECT_EQ(ProfileFromArguments({"OrlavoW", "-x", "/y", "Branch12", "Other"}), "Branch12");
    EXPECT_EQ(ProfileFromArguments({"OrlavoW", "--style", "fusion"}), "fusion");
}

TEST(ExecutableBaseName, DropsFolderAndExtension) {
    EXPECT_EQ(ExecutableBaseName("/opt/orlavo/OrlavoW"), "OrlavoW");
    EXPECT_EQ(ExecutableBaseName("C:\\Program Files\\Orlavo\\OrlavoW.exe"), "OrlavoW");
}

TEST(SettingsTable, KnowsTypesAndDefaults) {
    const SettingSpec* q = FindSetting("UserDetails", "ProdQuantity");
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->type, SettingType::Number);
    EXPECT_EQ(q->defaultNumber, 1);
    const SettingSpec* shop = FindSetting("UserDetails", "Shop");
    ASSERT_NE(shop, nullptr);
    EXPECT_EQ(shop->defaultNumber, 1);
    const SettingSpec* dealer = FindSetting("DownloadInfo", "UseDealerNumber");
    ASSERT_NE(dealer, nullptr);
    EXPECT_EQ(dealer->type, SettingType::Text);
    EXPECT_EQ(FindSetting("DownloadInfo", "Nonsense"), nullptr);
    // Thumbnails are shared with the desktop unless the user turns it off.
    const SettingSpec* share = FindSetting("Settings", "ShareThumbnails");
    ASSERT_NE(share, nullptr);
    EXPECT_EQ(share->defaultNumber, 1);
    const SettingSpec* location = FindSetting("Settings", "RemoveLocation");
    ASSERT_NE(location, nullptr);
    EXPECT_EQ(location->defaultNumber, 1) << "photos go without their location unless asked";
    EXPECT_EQ(AllSettings().size(), 48u);
}
