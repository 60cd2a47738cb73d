#include <gtest/gtest.h>

#include <climits>

#include "wizard/app/core/DealerRules.h"

using namespace orlavo::wizard;

namespace {

// Sorted by city as the catalogue leaves them.
ShopList Shops() {
    ShopList shops(3);
    shops[0].city = "Bath";
    shops[0].storeid = "D200";
    shops[1].city = "Leeds";
    shops[1].storeid = "";  // a shop that is no dealer's
    shops[2].city = "York";
    shops[2].storeid = "D100";
    return shops;
}

const DealerAnswer kCancel = std::nullopt;

DealerOutcome RunStep(std::int32_t mode, const std::string& dealer, const DealerAnswer& answer,
                      DealerQuestion* asked = nullptr) {
    const ShopList shops = Shops();
    const DealerQuestion q = DecideDealerQuestion(mode, dealer, shops);
    if (asked != nullptr) {
        *asked = q;
    }
    return ResolveDealerStep(mode, dealer, shops, q, answer);
}

}  // namespace

TEST(DealerQuestion, NegativeModesAlwaysAskWithAnEmptyKey) {
    for (std::int32_t mode : {-1, -2, -3, -4, INT_MIN}) {
        for (const char* dealer : {"", "D100", "nope"}) {
            const DealerQuestion q = DecideDealerQuestion(mode, dealer, Shops());
            EXPECT_TRUE(q.ask) << mode << " " << dealer;
            EXPECT_EQ(q.prefill, "") << mode;
        }
    }
}

TEST(DealerQuestion, ModesThatNeverAsk) {
    for (std::int32_t mode : {0, 1, 4, 5, 100, INT_MAX}) {
        for (const char* dealer : {"", "D100", "nope"}) {
            EXPECT_FALSE(DecideDealerQuestion(mode, dealer, Shops()).ask) << mode << " " << dealer;
        }
    }
}

TEST(DealerQuestion, ModeTwoAsksOnlyForAKeyThatMatchesNoShop) {
    EXPECT_FALSE(DecideDealerQuestion(2, "", Shops()).ask);
    EXPECT_FALSE(DecideDealerQuestion(2, "D100", Shops()).ask);
    const DealerQuestion q = DecideDealerQuestion(2, "d100", Shops());
    EXPECT_TRUE(q.ask);
    EXPECT_EQ(q.prefill, "d100");
}

TEST(DealerQuestion, ModeThreeAsksUnlessTheKeyMatches) {
    const DealerQuestion empty = DecideDealerQuestion(3, "", Shops());
    EXPECT_TRUE(empty.ask);
    EXPECT_EQ(empty.prefill, "");
    EXPECT_FALSE(DecideDealerQuestion(3, "D200", Shops()).ask);
    const DealerQuestion wrong = DecideDealerQuestion(3, "X9", Shops());
    EXPECT_TRUE(wrong.ask);
    EXPECT_EQ(wrong.prefill, "X9");
    EXPECT_TRUE(DecideDealerQuestion(3, "D200", {}).ask);
}

TEST(DealerStep, ModeMinusOneAskedOnceThenModeOne) {
    const DealerOutcome cont = RunStep(-1, "old", std::string("K7"));
    EXPECT_FALSE(cont.stop);
    EXPECT_EQ(cont.mode, 1);
    EXPECT_EQ(cont.modeToStore, 1);
    EXPECT_EQ(cont.dealerNumber, "K7");
    EXPECT_EQ(cont.dealerNumberToStore, "K7");
    EXPECT_EQ(cont.narrowToShop, -1);

    const DealerOutcome cancel = RunStep(-1, "old", kCancel);
    EXPECT_FALSE(cancel.stop);
    EXPECT_EQ(cancel.modeToStore, 1);
    EXPECT_EQ(cancel.dealerNumber, "old");
    EXPECT_FALSE(cancel.dealerNumberToStore.has_value());

    // Next start: mode 1 never asks.
    EXPECT_FALSE(DecideDealerQuestion(1, "K7", Shops()).ask);
}

TEST(DealerStep, ModeThreeWithUnknownKeyAskAgainAtNextStart) {
    DealerQuestion q;
    // Cancel ends the program and writes nothing.
    const DealerOutcome cancel = RunStep(3, "X9", kCancel, &q);
    EXPECT_TRUE(q.ask);
    EXPECT_EQ(q.prefill, "X9");
    EXPECT_TRUE(cancel.stop);
    EXPECT_FALSE(cancel.modeToStore.has_value());
    EXPECT_FALSE(cancel.dealerNumberToStore.has_value());

    // Continue stores the key and -3; no narrowing in this run.
    const DealerOutcome cont = RunStep(3, "X9", std::string("D100"));
    EXPECT_FALSE(cont.stop);
    EXPECT_EQ(cont.modeToStore, -3);
    EXPECT_EQ(cont.dealerNumberToStore, "D100");
    EXPECT_EQ(cont.narrowToShop, -1);

    // Next start: asked again, empty; Cancel stops, Continue stores 3 and narrows.
    EXPECT_TRUE(RunStep(-3, "D100", kCancel, &q).stop);
    EXPECT_EQ(q.prefill, "");
    const DealerOutcome again = RunStep(-3, "D100", std::string("D100"));
    EXPECT_EQ(again.modeToStore, 3);
    EXPECT_EQ(again.narrowToShop, 2);
}

TEST(DealerStep, ModeThreeMatchingKeyNarrowsWithoutAsking) {
    DealerQuestion q;
    const DealerOutcome out = RunStep(3, "D200", kCancel, &q);
    EXPECT_FALSE(q.ask);
    EXPECT_FALSE(out.stop);
    EXPECT_FALSE(out.modeToStore.has_value());
    EXPECT_EQ(out.narrowToShop, 0);
}

TEST(DealerStep, ModeTwoEmptyKeyNeitherAsksNorNarrows) {
    DealerQuestion q;
    const DealerOutcome out = RunStep(2, "", kCancel, &q);
    EXPECT_FALSE(q.ask);
    EXPECT_FALSE(out.stop);
    // Not even to the shop without a storeid.
    EXPECT_EQ(out.narrowToShop, -1);
}

TEST(DealerStep, ModeTwoMatchingKeyNarrowsToThatShop) {
    const DealerOutcome out = RunStep(2, "D100", kCancel);
    EXPECT_EQ(out.narrowToShop, 2);
    ShopList shops = Shops();
    NarrowShops(shops, out.narrowToShop);
    ASSERT_EQ(shops.size(), 1u);
    EXPECT_EQ(shops[0].city, "York");
}

TEST(DealerStep, ModeTwoUnknownKeyCancelFlipsTheMode) {
    const DealerOutcome out = RunStep(2, "zz", kCancel);
    EXPECT_FALSE(out.stop);
    EXPECT_EQ(out.modeToStore, -2);
    EXPECT_EQ(out.dealerNumber, "zz");
    EXPECT_EQ(out.narrowToShop, -1);
}

TEST(DealerStep, NegativeTwoContinueWithMatchingKeyNarrows) {
    const DealerOutcome out = RunStep(-2, "", std::string("D200"));
    EXPECT_EQ(out.modeToStore, 2);
    EXPECT_EQ(out.narrowToShop, 0);
    // Cancel keeps the stored key, which still narrows when it matches.
    EXPECT_EQ(RunStep(-2, "D100", kCancel).narrowToShop, 2);
}

TEST(DealerStep, ModesWithoutQuestionWriteNothing) {
    for (std::int32_t mode : {0, 1, 4, 7}) {
        const DealerOutcome out = RunStep(mode, "nope", std::string("ignored"));
        EXPECT_FALSE(out.stop) << mode;
        EXPECT_FALSE(out.modeToStore.has_value()) << mode;
        EXPECT_FALSE(out.dealerNumberToStore.has_value()) << mode;
        EXPECT_EQ(out.dealerNumber, "nope");
    }
    // Above 1 a matching key narrows whatever the mode; 0 and 1 never narrow.
    EXPECT_EQ(RunStep(4, "D100", kCancel).narrowToShop, 2);
    EXPECT_EQ(RunStep(1, "D100", kCancel).narrowToShop, -1);
    EXPECT_EQ(RunStep(0, "D100", kCancel).narrowToShop, -1);
}

TEST(DealerStep, LowestModeFlipsWithoutOverflow) {
    EXPECT_EQ(FlipDealerMode(INT_MIN), INT_MAX);
    EXPECT_EQ(FlipDealerMode(-4), 4);
    EXPECT_EQ(FlipDealerMode(3), -3);
    EXPECT_EQ(RunStep(INT_MIN, "", kCancel).modeToStore, INT_MAX);
}

TEST(NarrowShops, KeepsOnlyTheGivenShop) {
    ShopList shops = Shops();
    NarrowShops(shops, -1);
    EXPECT_EQ(shops.size(), 3u);
    NarrowShops(shops, 3);
    EXPECT_EQ(shops.size(), 3u);
    NarrowShops(shops, 1);
    ASSERT_EQ(shops.size(), 1u);
    EXPECT_EQ(shops[0].city, "Leeds");
}

TEST(DealerKeyDialog, ContinueEnabledOnlyWithAKey) {
    EXPECT_FALSE(DealerKeyContinueEnabled(""));
    EXPECT_TRUE(DealerKeyContinueEnabled(" "));
    EXPECT_TRUE(DealerKeyContinueEnabled("D1"));
}

TEST(DealerKeyDialog, ModeThreeDemandsAMatchingKey) {
    for (std::int32_t mode : {3, -3}) {
        EXPECT_FALSE(DealerKeyAccepted(mode, "", Shops())) << mode;
        EXPECT_FALSE(DealerKeyAccepted(mode, "X9", Shops())) << mode;
        EXPECT_FALSE(DealerKeyAccepted(mode, "d100", Shops())) << mode;
        EXPECT_TRUE(DealerKeyAccepted(mode, "D100", Shops())) << mode;
        EXPECT_FALSE(DealerKeyAccepted(mode, "D100", {})) << mode;
    }
}

TEST(DealerKeyDialog, ModeTwoChecksAKeyThatIsPresent) {
    for (std::int32_t mode : {2, -2}) {
        EXPECT_TRUE(DealerKeyAccepted(mode, "", Shops())) << mode;
        EXPECT_FALSE(DealerKeyAccepted(mode, "X9", Shops())) << mode;
        EXPECT_TRUE(DealerKeyAccepted(mode, "D200", Shops())) << mode;
    }
}

TEST(DealerKeyDialog, OtherModesAcceptAnyKey) {
    for (std::int32_t mode : {0, 1, -1, 4, -4, 9, INT_MIN}) {
        EXPECT_TRUE(DealerKeyAccepted(mode, "X9", Shops())) << mode;
        EXPECT_TRUE(DealerKeyAccepted(mode, "", {})) << mode;
    }
}

TEST(PreferencesDealer, ModesZeroAndOneNeverCheck) {
    for (std::int32_t mode : {0, 1, -1}) {
        const PreferencesDealerCheck c = CheckPreferencesDealer(mode, "nope", Shops());
        EXPECT_FALSE(c.refused) << mode;
        EXPECT_FALSE(c.modeToStore.has_value()) << mode;
    }
}

TEST(PreferencesDealer, ModeTwoRefusesOnlyAnUnknownKey) {
    EXPECT_FALSE(CheckPreferencesDealer(2, "", Shops()).refused);
    EXPECT_TRUE(CheckPreferencesDealer(2, "X9", Shops()).refused);
    EXPECT_TRUE(CheckPreferencesDealer(2, "d200", Shops()).refused);
    const PreferencesDealerCheck ok = CheckPreferencesDealer(2, "D200", Shops());
    EXPECT_FALSE(ok.refused);
    EXPECT_FALSE(ok.modeToStore.has_value());
}

TEST(PreferencesDealer, NegativeModeIsAnsweredBySaving) {
    EXPECT_EQ(CheckPreferencesDealer(-2, "D200", Shops()).modeToStore, 2);
    EXPECT_EQ(CheckPreferencesDealer(-2, "", Shops()).modeToStore, 2);
    EXPECT_TRUE(CheckPreferencesDealer(-2, "X9", Shops()).refused);
    EXPECT_FALSE(CheckPreferencesDealer(-2, "X9", Shops()).modeToStore.has_value());
    EXPECT_EQ(CheckPreferencesDealer(-3, "D100", Shops()).modeToStore, 3);
    EXPECT_EQ(CheckPreferencesDealer(-4, "anything", Shops()).modeToStore, 4);
}

TEST(PreferencesDealer, ModeThreeWithoutShopsRefusesEverySave) {
    for (const char* dealer : {"", "D100", "x"}) {
        EXPECT_TRUE(CheckPreferencesDealer(3, dealer, {}).refused) << dealer;
        EXPECT_TRUE(CheckPreferencesDealer(-3, dealer, {}).refused) << dealer;
    }
    EXPECT_TRUE(CheckPreferencesDealer(3, "", Shops()).refused);
    EXPECT_FALSE(CheckPreferencesDealer(3, "D100", Shops()).refused);
}

TEST(PreferencesDealer, ModeFourAndAboveAcceptAnyKey) {
    for (std::int32_t mode : {4, 5, 1000}) {
        const PreferencesDealerCheck c = CheckPreferencesDealer(mode, "whatever", {});
        EXPECT_FALSE(c.refused) << mode;
        EXPECT_FALSE(c.modeToStore.has_value()) << mode;
    }
}
