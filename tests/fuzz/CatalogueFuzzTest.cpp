// A damaged catalogue from the lab's server: loading either succeeds or gives
// an error text, and every query afterwards stays in bounds for any index.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "tests/catalogue/CatalogueSample.h"
#include "tests/fuzz/Mutator.h"
#include "wizard/catalogue/CXmlDocuments.h"

namespace orlavo::wizard {
namespace {

const std::string kAddress = "http://127.0.0.1:1/affiliateinfo.xml";

// Every query with indexes inside, at the edges of and far beyond the
// catalogue; out of range always gives the empty answer.
void QueryEverything(const CXmlDocuments& docs, fuzz::Mutator& m) {
    const int count = docs.GetProductCount();
    ASSERT_GE(count, 0);
    for (int i : {INT_MIN, -1, count, count + 1, INT_MAX}) {
        EXPECT_EQ(docs.GetProductId(i), "");
        EXPECT_EQ(docs.GetProductName(i), "");
        EXPECT_EQ(docs.GetProductPrice(i), "");
        EXPECT_EQ(docs.GetProductSize(i), std::make_pair(0, 0));
    }
    for (int i = 0; i < count; ++i) {
        (void)docs.GetProductId(i);
        (void)docs.GetProductName(i);
        (void)docs.GetProductPrice(i);
        (void)docs.GetProductSize(i);
    }
    (void)docs.GetCurrency();

    const int payments = docs.GetPaymentCount();
    ASSERT_GE(payments, 0);
    for (int i : {INT_MIN, -1, payments, INT_MAX}) {
        const PaymentMethod p = docs.GetPayment(i);
        EXPECT_TRUE(p.id.empty() && p.name.empty()) << i;
    }
    for (int i = 0; i < payments; ++i) {
        const PaymentMethod p = docs.GetPayment(i);
        (void)docs.GetPaymentName(p.id);
    }
    for (std::string_view id : {"", "\"", "1\" or \"1\"=\"1", "]", "'", "1"})
        (void)docs.GetPaymentName(id);

    const int countries = docs.GetCountryCount();
    ASSERT_GE(countries, 0);
    for (int i : {INT_MIN, -1, countries, countries + 1, INT_MAX})
        EXPECT_EQ(docs.GetCountryName(i), "") << i;
    for (int i = 0; i < countries; ++i)
        (void)docs.GetCountryValue(docs.GetCountryName(i));
    for (int g : {INT_MIN, -1, 0, 1, 2, INT_MAX}) {
        EXPECT_GE(docs.GetShipCountryCount(g), 0);
    }
    (void)docs.GetCountryValue(m.randomBytes(m.below(12)));
    EXPECT_EQ(docs.GetCountryValue("\"]|//*[\""), "");
}

TEST(CatalogueFuzz, MutatedCataloguesLoadOrFailWithTheAddressAndQueriesStayInBounds) {
    fuzz::Mutator m(4711);
    m.addTokens({"<product id=\"X\" price=\"1\" x_dim=\"99999999999\" y_dim=\"-99999999999\"/>",
                 "<ship id=\"1\"><country name=\"A\" value=\"B\"/></ship>",
                 "<ship id=\"2147483648\">", "<pay id=\"\"/>", "<shop city=\"\xFF\"/>",
                 "encoding=\"ISO-8859-1\"", "</products>", "</shipping>", "</affiliateinfo>"});
    const std::string seed = samples::SampleCatalogue();
    int loaded = 0, failed = 0;
    for (int i = 0; i < fuzz::Rounds(1500); ++i) {
        const std::string body = m.mutate(seed);
        CXmlDocuments docs;
        docs.setProgramVersion("2.0.44.3");
        ShopList shops;
        const std::string error = docs.LoadDownloaded(kAddress, body, shops);
        if (error.empty()) {
            ++loaded;
            ASSERT_TRUE(std::is_sorted(
                shops.begin(), shops.end(),
                [](const ShopRecord& a, const ShopRecord& b) { return a.city < b.city; }));
            EXPECT_TRUE(docs.manifestTemplate().selectSingle("transfermanifest/extra"));
        } else {
            ++failed;
            EXPECT_EQ(error.rfind(kAddress + ": ", 0), 0u) << error;
            EXPECT_EQ(docs.GetProductCount(), 0);
            EXPECT_EQ(docs.GetProductId(0), "");
        }
        QueryEverything(docs, m);
    }
    // Few mutations leave a well-formed catalogue, but enough to load often.
    EXPECT_GT(loaded, 30);
    EXPECT_GT(failed, 200);
}

TEST(CatalogueFuzz, QueriesBeforeAnyLoadAndAfterAFailedOneGiveNothing) {
    fuzz::Mutator m(1);
    CXmlDocuments fresh;
    QueryEverything(fresh, m);
    EXPECT_EQ(fresh.GetProductCount(), 0);

    CXmlDocuments docs;
    ShopList shops;
    ASSERT_EQ(docs.LoadDownloaded(kAddress, samples::SampleCatalogue(), shops), "");
    ASSERT_GT(docs.GetProductCount(), 0);
    // A later load of garbage must not leave the earlier products answering.
    EXPECT_NE(docs.LoadDownloaded(kAddress, "<html>", shops), "");
    EXPECT_EQ(docs.GetProductCount(), 0);
    EXPECT_EQ(docs.GetProductId(0), "");
    QueryEverything(docs, m);
}

TEST(CatalogueFuzz, AHugeCatalogueLoadsWithBoundedAnswers) {
    std::string body = "<affiliateinfo><affiliate id=\"1\"/><products>";
    for (int i = 0; i < 20000; ++i)
        body += "<product id=\"" + std::to_string(i) + "\" x_dim=\"" + std::to_string(i) +
                "0000000\"/>";
    body += "</products><shipping>";
    for (int g = 0; g < 50; ++g) {
        body += "<ship id=\"" + std::to_string(g) + "\">";
        for (int c = 0; c < 20; ++c)
            body += "<country name=\"C" + std::to_string(g * 20 + c) + "\"/>";
        body += "</ship>";
    }
    body += "</shipping></affiliateinfo>";
    CXmlDocuments docs;
    ShopList shops;
    ASSERT_EQ(docs.LoadDownloaded(kAddress, body, shops), "");
    EXPECT_EQ(docs.GetProductCount(), 20000);
    EXPECT_EQ(docs.GetProductId(19999), "19999");
    // Sizes beyond 32 bits saturate instead of wrapping.
    EXPECT_EQ(docs.GetProductSize(19999).first, INT_MAX);
    EXPECT_EQ(docs.GetCountryCount(), 1000);
    EXPECT_EQ(docs.GetCountryName(999), "C999");
    EXPECT_EQ(docs.GetCountryName(1000), "");
}

}  // namespace
}  // namespace orlavo::wizard
