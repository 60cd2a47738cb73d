#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include <unistd.h>

#include "common/RegistryRoot.h"
#include "platform/RegistryStore.h"
#include "wizard/app/core/StartSettings.h"

using namespace orlavo;
using namespace orlavo::wizard;

namespace {

// A settings store of its own in a fresh folder, removed afterwards.
class StoreSandbox : public ::testing::Test {
protected:
    StoreSandbox()
        : dir_(std::filesystem::temp_directory_path() /
               ("orlavo-start-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "registry.sqlite3").string();
        store_ = std::make_unique<RegistryStore>(RegistryRoot("", "OrlavoW"), path_);
    }
    ~StoreSandbox() override {
        store_.reset();
        std::filesystem::remove_all(dir_);
    }
    RegistryStore& store() { return *store_; }
    // Another handle on the same file, as the next start would open it.
    RegistryStore reopen() { return RegistryStore(RegistryRoot("", "OrlavoW"), path_); }

    static ShopList Shops() {
        ShopList shops(2);
        shops[0].city = "Bath";
        shops[0].storeid = "D200";
        shops[1].city = "York";
        shops[1].storeid = "D100";
        return shops;
    }

private:
    std::filesystem::path dir_;
    std::string path_;
    std::unique_ptr<RegistryStore> store_;
};

}  // namespace

TEST(DealerModeText, ReadAsASignedDecimalNumber) {
    EXPECT_EQ(ParseDealerMode(""), 0);
    EXPECT_EQ(ParseDealerMode("abc"), 0);
    EXPECT_EQ(ParseDealerMode("-3"), -3);
    EXPECT_EQ(ParseDealerMode(" 4x"), 4);
    EXPECT_EQ(ParseDealerMode("+2"), 2);
    EXPECT_EQ(ParseDealerMode("99999999999"), INT_MAX);
    EXPECT_EQ(ParseDealerMode("-99999999999"), INT_MIN);
}

TEST_F(StoreSandbox, MissingValuesReadAsDefaults) {
    const StartSettings s = ReadStartSettings(store());
    EXPECT_EQ(s.uploadUrl, "");
    EXPECT_EQ(s.priceRequestUrl, "");
    EXPECT_EQ(s.dealerMode, 0);
    EXPECT_EQ(s.debug, 0);
    EXPECT_EQ(s.dealerNumber, "");
}

TEST_F(StoreSandbox, ReadsTheStartValues) {
    ASSERT_TRUE(store().setText("DownloadInfo", "UploadURL", "http://lab/up"));
    ASSERT_TRUE(store().setText("DownloadInfo", "PriceRequestURL", "http://lab/price"));
    ASSERT_TRUE(store().setText("DownloadInfo", "UseDealerNumber", "-2"));
    ASSERT_TRUE(store().setNumber("Settings", "Debug", 1));
    ASSERT_TRUE(store().setText("UserDetails", "DealerNumber", "D100"));
    const StartSettings s = ReadStartSettings(store());
    EXPECT_EQ(s.uploadUrl, "http://lab/up");
    EXPECT_EQ(s.priceRequestUrl, "http://lab/price");
    EXPECT_EQ(s.dealerMode, -2);
    EXPECT_EQ(s.debug, 1);
    EXPECT_EQ(s.dealerNumber, "D100");
}

TEST_F(StoreSandbox, DealerNumberIsNotReadInModeZero) {
    ASSERT_TRUE(store().setText("DownloadInfo", "UseDealerNumber", "0"));
    ASSERT_TRUE(store().setText("UserDetails", "DealerNumber", "D100"));
    EXPECT_EQ(ReadStartSettings(store()).dealerNumber, "");
}

TEST_F(StoreSandbox, ModeMinusOneIsAskedOnceAcrossStarts) {
    ASSERT_TRUE(store().setText("DownloadInfo", "UseDealerNumber", "-1"));
    int asked = 0;
    auto ask = [&](const DealerQuestion& q) -> DealerAnswer {
        ++asked;
        EXPECT_EQ(q.prefill, "");
        return std::string("K7");
    };
    StartSettings s = ReadStartSettings(store());
    ShopList shops = Shops();
    ASSERT_TRUE(RunDealerStep(s, shops, store(), ask));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(s.dealerMode, 1);
    EXPECT_EQ(s.dealerNumber, "K7");

    RegistryStore next = reopen();
    EXPECT_EQ(next.getText("DownloadInfo", "UseDealerNumber"), "1");
    EXPECT_EQ(next.getText("UserDetails", "DealerNumber"), "K7");
    StartSettings again = ReadStartSettings(next);
    ASSERT_TRUE(RunDealerStep(again, shops, next, ask));
    EXPECT_EQ(asked, 1);
}

TEST_F(StoreSandbox, ModeThreeCancelStopsAndWritesNothing) {
    ASSERT_TRUE(store().setText("DownloadInfo", "UseDealerNumber", "3"));
    ASSERT_TRUE(store().setText("UserDetails", "DealerNumber", "X9"));
    StartSettings s = ReadStartSettings(store());
    ShopList shops = Shops();
    std::string prefill;
    EXPECT_FALSE(RunDealerStep(s, shops, store(), [&](const DealerQuestion& q) {
        prefill = q.prefill;
        return DealerAnswer{};
    }));
    EXPECT_EQ(prefill, "X9");
    EXPECT_EQ(store().getText("DownloadInfo", "UseDealerNumber"), "3");
    EXPECT_EQ(store().getText("UserDetails", "DealerNumber"), "X9");
    EXPECT_EQ(shops.size(), 2u);
}

TEST_F(StoreSandbox, ModeThreeContinueStoresMinusThreeWithoutNarrowing) {
    ASSERT_TRUE(store().setText("DownloadInfo", "UseDealerNumber", "3"));
    StartSettings s = ReadStartSettings(store());
    ShopList shops = Shops();
    ASSERT_TRUE(RunDealerStep(s, shops, store(),
                              [](const DealerQuestion&) { return std::string("D100"); }));
    EXPECT_EQ(store().getText("DownloadInfo", "UseDealerNumber"), "-3");
    EXPECT_EQ(store().getText("UserDetails", "DealerNumber"), "D100");
    EXPECT_EQ(shops.size(), 2u);
}

TEST_F(StoreSandbox, ModeTwoWithMatchingKeyNarrowsWithoutAsking) {
    ASSERT_TRUE(store().setText("DownloadInfo", "UseDealerNumber", "2"));
    ASSERT_TRUE(store().setText("UserDetails", "DealerNumber", "D100"));
    StartSettings s = ReadStartSettings(store());
    ShopList shops = Shops();
    bool asked = false;
    ASSERT_TRUE(RunDealerStep(s, shops, store(), [&](const DealerQuestion&) {
        asked = true;
        return DealerAnswer{};
    }));
    EXPECT_FALSE(asked);
    ASSERT_EQ(shops.size(), 1u);
    EXPECT_EQ(shops[0].storeid, "D100");
    EXPECT_EQ(store().getText("DownloadInfo", "UseDealerNumber"), "2");
}

TEST_F(StoreSandbox, PreferencesModeIsStoredAsDecimalText) {
    const PreferencesDealerCheck check = CheckPreferencesDealer(-2, "D200", Shops());
    ASSERT_TRUE(check.modeToStore.has_value());
    ASSERT_TRUE(StoreDealerMode(store(), *check.modeToStore));
    const auto stored = store().find("DownloadInfo", "UseDealerNumber");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, ValueType::Text);
    EXPECT_EQ(stored->text, "2");
}
