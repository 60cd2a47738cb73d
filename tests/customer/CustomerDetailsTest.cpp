#include <gtest/gtest.h>

#include <set>

#include "wizard/customer/DeliveryRule.h"

using namespace orlavo::wizard;

namespace {

CustomerDetails Billing() {
    CustomerDetails r;
    r.firstname = "Ann";
    r.lastname = "Lee";
    r.address1 = "1 Main St";
    r.address2 = "Flat 2";
    r.city = "Leeds";
    r.country = "United Kingdom";
    r.state = "W Yorks";
    r.zip = "LS1";
    r.phone = "0113";
    r.email = "ann@example.org";
    return r;
}

TypedShipping Typed() {
    return {"Bob Ray", "9 Side Rd", "", "York", "Ireland", "Co. X", "YO9", "0190"};
}

ShopRecord Shop() {
    ShopRecord s;
    s.id = "s7";
    s.name = "Bath Shop";
    s.address1 = "2 Low St";
    s.address2 = "Unit 4";
    s.city = "Bath";
    s.state = "Somerset";
    s.postcode = "BA1";
    s.country = "United Kingdom";
    s.phone = "01225";
    s.storeid = "D200";
    return s;
}

std::vector<std::string> ShippingFields(const CustomerDetails& r) {
    return {r.storeid,          r.shippingName, r.shippingAddress1,
            r.shippingAddress2, r.shippingCity, r.shippingCountry,
            r.shippingState,    r.shippingZip,  r.shippingPhone};
}

}  // namespace

TEST(CustomerFields, ThirtyOneFieldsInManifestOrder) {
    const auto fields = CustomerFields();
    ASSERT_EQ(fields.size(), 31u);
    const char* expected[] = {
        "firstname",     "lastname",     "address1",   "address2", "city",           "country",
        "state",         "zip",          "phone",      "email",    "customernumber", "storeid",
        "name",          "address1",     "address2",   "city",     "country",        "state",
        "zip",           "phone",        "cctype",     "ccnumber", "ccstartmonth",   "ccstartyear",
        "ccexpiremonth", "ccexpireyear", "nameoncard", "issueno",  "securitycode",   "vouchercode",
        "promocode"};
    for (std::size_t i = 0; i < 31; ++i) {
        EXPECT_EQ(fields[i].attribute, expected[i]) << i;
        EXPECT_EQ(fields[i].element, i < 11 ? "user" : i < 20 ? "shipping" : "payment") << i;
    }
    // Each field points to its own member.
    CustomerDetails marked;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        marked.*fields[i].member = std::to_string(i);
    }
    std::set<std::string> seen;
    for (const auto& f : fields) {
        seen.insert(marked.*f.member);
    }
    EXPECT_EQ(seen.size(), 31u);
    CustomerDetails r;
    r.vouchercode = "SAVE10  ";
    EXPECT_EQ(r.*fields[29].member, "SAVE10  ");
    r.shippingZip = "Z";
    EXPECT_EQ(r.*fields[18].member, "Z");
}

TEST(DeliveryRule, ShopCollectionSameAsBillingTakesShopAddressAndBillingName) {
    CustomerDetails r = Billing();
    const ShopRecord shop = Shop();
    ApplyDeliveryRule(r, DeliveryMode::Shop, true, Typed(), &shop);
    EXPECT_EQ(ShippingFields(r),
              (std::vector<std::string>{"s7", "Ann Lee", "2 Low St", "Unit 4", "Bath",
                                        "United Kingdom", "Somerset", "BA1", "01225"}));
}

TEST(DeliveryRule, ShopCollectionOtherwiseTakesTheTypedName) {
    CustomerDetails r = Billing();
    const ShopRecord shop = Shop();
    ApplyDeliveryRule(r, DeliveryMode::Shop, false, Typed(), &shop);
    EXPECT_EQ(r.shippingName, "Bob Ray");
    EXPECT_EQ(r.storeid, "s7");  // the shop's id, not its storeid
    EXPECT_EQ(r.shippingCity, "Bath");
}

TEST(DeliveryRule, HomeSameAsBillingCopiesBillingFields) {
    CustomerDetails r = Billing();
    ApplyDeliveryRule(r, DeliveryMode::Home, true, Typed(), nullptr);
    EXPECT_EQ(ShippingFields(r),
              (std::vector<std::string>{"", "Ann Lee", "1 Main St", "Flat 2", "Leeds",
                                        "United Kingdom", "W Yorks", "LS1", "0113"}));
}

TEST(DeliveryRule, HomeSeparateAddressTakesTheTypedFields) {
    CustomerDetails r = Billing();
    const ShopRecord shop = Shop();
    r.storeid = "stale";
    ApplyDeliveryRule(r, DeliveryMode::Home, false, Typed(), &shop);
    EXPECT_EQ(ShippingFields(r), (std::vector<std::string>{"", "Bob Ray", "9 Side Rd", "", "York",
                                                           "Ireland", "Co. X", "YO9", "0190"}));
}

TEST(DeliveryRule, ShopCollectionWithoutAShopLeavesTheAddressEmpty) {
    CustomerDetails r = Billing();
    ApplyDeliveryRule(r, DeliveryMode::Shop, true, Typed(), nullptr);
    EXPECT_EQ(ShippingFields(r),
              (std::vector<std::string>{"", "Ann Lee", "", "", "", "", "", "", ""}));
}

TEST(DeliveryRule, BillingAndPaymentFieldsAreUntouched) {
    CustomerDetails r = Billing();
    r.ccnumber = "4111111111111111";
    r.vouchercode = "V  ";
    const ShopRecord shop = Shop();
    ApplyDeliveryRule(r, DeliveryMode::Shop, false, Typed(), &shop);
    EXPECT_EQ(r.address1, "1 Main St");
    EXPECT_EQ(r.country, "United Kingdom");
    EXPECT_EQ(r.ccnumber, "4111111111111111");
    EXPECT_EQ(r.vouchercode, "V  ");
}
