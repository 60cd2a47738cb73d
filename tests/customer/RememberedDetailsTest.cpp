#include "wizard/customer/RememberedDetails.h"

#include <gtest/gtest.h>

#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "tests/support/TempDir.h"

namespace orlavo::wizard {
namespace {

using orlavo::section::kShippingDetails;
using orlavo::section::kUserDetails;

class RememberedDetailsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    RegistryStore store{"Software\\Vennara\\T\\OrlavoW", (dir.path() / "r.sqlite3").string()};

    RememberedDetails Filled() {
        RememberedDetails d;
        d.remember = true;
        d.firstName = "Ada";
        d.country = "Ireland";
        d.email = "ada@example.org";
        d.shipping.name = "Bob";
        d.shipping.country = "France";
        d.delivery = DeliveryMode::Home;
        d.shopNumber = 2;
        d.sameAsBilling = true;
        return d;
    }
};

TEST_F(RememberedDetailsTest, RememberedTextsComeBackAsStored) {
    ASSERT_EQ(StoreRememberedDetails(store, Filled(), "D100"), "");
    const RememberedDetails back = ReadRememberedDetails(store);
    EXPECT_TRUE(back.remember);
    EXPECT_EQ(back.firstName, "Ada");
    EXPECT_EQ(back.country, "Ireland");
    EXPECT_EQ(back.shipping.name, "Bob");
    EXPECT_EQ(back.shipping.country, "France");
    EXPECT_EQ(back.delivery, DeliveryMode::Home);
    EXPECT_EQ(back.shopNumber, 2);
    EXPECT_TRUE(back.sameAsBilling);
    EXPECT_EQ(store.getText(kUserDetails, "DealerNumber"), "D100");
}

TEST_F(RememberedDetailsTest, RememberOffEmptiesTheTextsButKeepsTheChoices) {
    ASSERT_EQ(StoreRememberedDetails(store, Filled(), "D100"), "");
    RememberedDetails off = Filled();
    off.remember = false;
    ASSERT_EQ(StoreRememberedDetails(store, off, "D200"), "");
    EXPECT_EQ(store.getNumber(kUserDetails, "Remember"), 0);
    for (const char* name : {"FirstName", "Country", "Email"}) {
        auto v = store.find(kUserDetails, name);
        ASSERT_TRUE(v.has_value()) << name;
        EXPECT_EQ(v->text, "") << name;
    }
    EXPECT_EQ(store.getText(kShippingDetails, "ShippingName"), "");
    EXPECT_EQ(store.getText(kUserDetails, "DealerNumber"), "D200");
    EXPECT_EQ(store.getNumber(kUserDetails, "ShippingAsBilling"), 1);
    EXPECT_EQ(store.getNumber(kUserDetails, "Shop"), 0);
    EXPECT_EQ(store.getNumber(kUserDetails, "ShopNumber"), 2);
}

TEST_F(RememberedDetailsTest, DefaultsAndStoredTextsThatAFieldCannotHold) {
    RememberedDetails fresh = ReadRememberedDetails(store);
    EXPECT_FALSE(fresh.remember);
    EXPECT_EQ(fresh.delivery, DeliveryMode::Shop);
    EXPECT_EQ(fresh.shopNumber, 0);
    EXPECT_FALSE(fresh.sameAsBilling);

    // Texts are read only when remembered, and then without control characters.
    store.setText(kUserDetails, "FirstName", "Ada\x01\nB");
    EXPECT_EQ(ReadRememberedDetails(store).firstName, "");
    store.setNumber(kUserDetails, "Remember", 1);
    EXPECT_EQ(ReadRememberedDetails(store).firstName, "Ada B");
}

}  // namespace
}  // namespace orlavo::wizard
