#include "wizard/customer/PaymentChoices.h"

#include <gtest/gtest.h>

namespace orlavo::wizard {
namespace {

std::vector<PaymentChoice> FromCatalogue(const std::string& payment) {
    CXmlDocuments docs;
    ShopList shops;
    const std::string text =
        "<affiliateinfo><affiliate id=\"1\"/><products/>" + payment + "<shipping/></affiliateinfo>";
    EXPECT_EQ(docs.LoadDownloaded("http://127.0.0.1/c.xml", text, shops), "");
    return PaymentChoices(docs);
}

TEST(PaymentChoices, CarryTheCatalogueIdAsANumberInCatalogueOrder) {
    const std::vector<PaymentChoice> c = FromCatalogue(
        "<payment><pay id=\"9\" name=\"At the shop\"/><pay id=\"3\" name=\"Amex &amp; Co\"/>"
        "<pay id=\"x\" name=\"Odd\"/><pay id=\"9\" name=\"Shop again\"/></payment>");
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[0].id, 9);
    EXPECT_EQ(c[1].name, "Amex & Co");
    EXPECT_EQ(c[1].id, 3);
    EXPECT_EQ(c[2].id, 0);
    // The last method with id 9 is the one shop collection forces.
    EXPECT_EQ(ShopPaymentIndex(c), 3);
}

TEST(PaymentChoices, NoShopPaymentAndNoMethodsAtAll) {
    EXPECT_EQ(ShopPaymentIndex(FromCatalogue("<payment><pay id=\"1\" name=\"Visa\"/></payment>")),
              -1);
    EXPECT_TRUE(FromCatalogue("<payment/>").empty());
    EXPECT_TRUE(FromCatalogue("").empty());
}

}  // namespace
}  // namespace orlavo::wizard
