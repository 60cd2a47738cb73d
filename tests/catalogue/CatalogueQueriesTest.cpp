#include <gtest/gtest.h>

#include "tests/catalogue/CatalogueSample.h"
#include "wizard/catalogue/CXmlDocuments.h"

using namespace orlavo::wizard;

namespace {

const std::string kAddress = "http://lab.example/cat.xml";

class CatalogueQueries : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(docs.LoadDownloaded(kAddress, samples::SampleCatalogue(), shops), "");
    }
    CXmlDocuments docs;
    ShopList shops;
};

std::string WithShipping(const std::string& shipping) {
    return "<affiliateinfo><affiliate id=\"1\"/><products/><shipping>" + shipping +
           "</shipping></affiliateinfo>";
}

}  // namespace

TEST_F(CatalogueQueries, ProductsInDocumentOrderWhateverTheirElementName) {
    EXPECT_EQ(docs.GetProductCount(), 3);
    EXPECT_EQ(docs.GetProductId(0), "P6x4");
    EXPECT_EQ(docs.GetProductId(1), "P7x5");
    EXPECT_EQ(docs.GetProductPrice(1), ".25");
    EXPECT_EQ(docs.GetProductPrice(2), "1.5 GBP");
}

TEST_F(CatalogueQueries, NameFallsBackOnlyWhenDescriptionIsAbsent) {
    EXPECT_EQ(docs.GetProductName(0), "6 x 4 inch gloss");
    EXPECT_EQ(docs.GetProductName(1), "7x5");
    EXPECT_EQ(docs.GetProductName(2), "");  // present but empty is used as it is
}

TEST_F(CatalogueQueries, SizeReadsLeadingDigits) {
    EXPECT_EQ(docs.GetProductSize(0), std::make_pair(152, 102));
    EXPECT_EQ(docs.GetProductSize(1), std::make_pair(178, 0));
    EXPECT_EQ(docs.GetProductSize(2), std::make_pair(0, 0));
}

TEST_F(CatalogueQueries, IndexOutOfRangeGivesEmptyOrZero) {
    for (int i : {-1, 3, 1000}) {
        EXPECT_EQ(docs.GetProductId(i), "");
        EXPECT_EQ(docs.GetProductName(i), "");
        EXPECT_EQ(docs.GetProductPrice(i), "");
        EXPECT_EQ(docs.GetProductSize(i), std::make_pair(0, 0));
        EXPECT_EQ(docs.GetPayment(i).name, "");
        EXPECT_EQ(docs.GetCountryName(i), "");
    }
}

TEST_F(CatalogueQueries, CurrencyAndPayments) {
    EXPECT_EQ(docs.GetCurrency(), "GBP");
    ASSERT_EQ(docs.GetPaymentCount(), 3);
    EXPECT_EQ(docs.GetPayment(1).id, "6");
    EXPECT_EQ(docs.GetPayment(1).name, "Cheque");
    EXPECT_EQ(docs.GetPaymentName("9"), "Pay in shop");
    EXPECT_EQ(docs.GetPaymentName("42"), "");
    EXPECT_EQ(docs.GetPaymentName("1\"]|//pay[@id=\"6"), "");
}

TEST_F(CatalogueQueries, CountriesNumberedGroupByGroup) {
    EXPECT_EQ(docs.GetShipCountryCount(1), 2);
    EXPECT_EQ(docs.GetShipCountryCount(2), 1);
    EXPECT_EQ(docs.GetShipCountryCount(3), 0);
    ASSERT_EQ(docs.GetCountryCount(), 3);
    EXPECT_EQ(docs.GetCountryName(0), "United Kingdom");
    EXPECT_EQ(docs.GetCountryName(1), "Ireland");
    EXPECT_EQ(docs.GetCountryName(2), "France");
    EXPECT_EQ(docs.GetCountryValue("France"), "FR");
    EXPECT_EQ(docs.GetCountryValue("Narnia"), "");
    EXPECT_EQ(docs.GetCountryValue("france"), "");
}

TEST(CatalogueCountries, DuplicatedGroupIdCountsAndResolvesInTheFirstGroup) {
    CXmlDocuments docs;
    ShopList shops;
    ASSERT_EQ(
        docs.LoadDownloaded(kAddress,
                            WithShipping("<ship id=\"1\"><country name=\"X\" value=\"x\"/>"
                                         "<country name=\"Y\" value=\"y\"/></ship>"
                                         "<ship id=\"1\"><country name=\"Z\" value=\"z\"/></ship>"),
                            shops),
        "");
    EXPECT_EQ(docs.GetCountryCount(), 4);
    EXPECT_EQ(docs.GetCountryName(0), "X");
    EXPECT_EQ(docs.GetCountryName(1), "Y");
    EXPECT_EQ(docs.GetCountryName(2), "X");
    EXPECT_EQ(docs.GetCountryName(3), "Y");
    // Z cannot be reached by index, but its value is still found by name.
    EXPECT_EQ(docs.GetCountryValue("Z"), "z");
}

TEST(CatalogueCountries, NameWithDoubleQuoteIsNotFoundAndBreaksNothing) {
    CXmlDocuments docs;
    ShopList shops;
    ASSERT_EQ(docs.LoadDownloaded(
                  kAddress,
                  WithShipping("<ship id=\"1\"><country name=\"Cote &quot;d\" value=\"CI\"/>"
                               "<country name=\"Peru\" value=\"PE\"/></ship>"),
                  shops),
              "");
    EXPECT_EQ(docs.GetCountryName(0), "Cote \"d");
    EXPECT_EQ(docs.GetCountryValue("Cote \"d"), "");
    EXPECT_EQ(docs.GetCountryValue("Peru"), "PE");
}

TEST(CatalogueCountries, MissingShippingGivesNoCountries) {
    CXmlDocuments docs;
    ShopList shops;
    ASSERT_EQ(docs.LoadDownloaded(kAddress,
                                  "<affiliateinfo><affiliate/><products/></affiliateinfo>", shops),
              "");
    EXPECT_EQ(docs.GetCountryCount(), 0);
    EXPECT_EQ(docs.GetCountryName(0), "");
    EXPECT_EQ(docs.GetPaymentCount(), 0);
    EXPECT_EQ(docs.GetPaymentName("1"), "");
    EXPECT_EQ(docs.GetCurrency(), "");
}

TEST(CatalogueQueriesBeforeLoad, GiveEmptyResults) {
    const CXmlDocuments docs;
    EXPECT_EQ(docs.GetProductCount(), 0);
    EXPECT_EQ(docs.GetProductName(0), "");
    EXPECT_EQ(docs.GetCurrency(), "");
    EXPECT_EQ(docs.GetCountryCount(), 0);
    EXPECT_EQ(docs.GetCountryValue("X"), "");
}

TEST_F(CatalogueQueries, ShopsSortedByCityAsUnsignedBytes) {
    ASSERT_EQ(shops.size(), 3u);
    EXPECT_EQ(shops[0].city, "Bath");
    EXPECT_EQ(shops[1].city, "York");
    EXPECT_EQ(shops[2].city, "bath");
    const ShopRecord& york = shops[1];
    EXPECT_EQ(york.id, "s1");
    EXPECT_EQ(york.name, "York Shop");
    EXPECT_EQ(york.address1, "1 High St");
    EXPECT_EQ(york.state, "N Yorks");
    EXPECT_EQ(york.postcode, "YO1");
    EXPECT_EQ(york.country, "United Kingdom");
    EXPECT_EQ(york.phone, "01");
    EXPECT_EQ(york.storeid, "D100");
}

TEST(ShopSort, HighBytesSortAfterAscii) {
    ShopList shops(3);
    shops[0].city = "\xC3\x96rebro";  // Örebro in UTF-8
    shops[1].city = "zurich";
    shops[2].city = "";
    SortShopsByCity(shops);
    EXPECT_EQ(shops[0].city, "");
    EXPECT_EQ(shops[1].city, "zurich");
    EXPECT_EQ(shops[2].city, "\xC3\x96rebro");
}

TEST(LoadShops, MissingShopsLeavesTheListEmptyShopsEmptiesIt) {
    CXmlDocuments docs;
    ShopList shops(2);
    shops[0].name = "kept";
    ASSERT_EQ(docs.LoadDownloaded(kAddress,
                                  "<affiliateinfo><affiliate/><products/></affiliateinfo>", shops),
              "");
    ASSERT_EQ(shops.size(), 2u);
    EXPECT_EQ(shops[0].name, "kept");

    ASSERT_EQ(
        docs.LoadDownloaded(
            kAddress, "<affiliateinfo><affiliate/><products/><shops/></affiliateinfo>", shops),
        "");
    EXPECT_TRUE(shops.empty());
}

TEST_F(CatalogueQueries, FindShopByStoreIdIsExactAndCaseSensitive) {
    EXPECT_EQ(FindShopByStoreId(shops, "D200"), 0);
    EXPECT_EQ(FindShopByStoreId(shops, "d200"), 2);
    EXPECT_EQ(FindShopByStoreId(shops, "D100"), 1);
    EXPECT_EQ(FindShopByStoreId(shops, "D10"), -1);
    EXPECT_EQ(FindShopByStoreId(shops, ""), -1);
    EXPECT_EQ(FindShopByStoreId({}, "D100"), -1);
    ShopList twice(2);
    twice[0].storeid = twice[1].storeid = "7";
    EXPECT_EQ(FindShopByStoreId(twice, "7"), 0);
    // A shop without a storeid matches the empty dealer number.
    EXPECT_EQ(FindShopByStoreId(ShopList(1), ""), 0);
}

TEST_F(CatalogueQueries, ManifestTemplateSeededAtLoad) {
    EXPECT_EQ(docs.manifestTemplate().xml(),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><transfermanifest><file/><user/>"
              "<shipping/><payment/><extra affiliateid=\"AFF7\" qrtversion=\"\"/>"
              "</transfermanifest>");
}

TEST(CatalogueParse, MissingProductsOrAffiliateIsAnException) {
    CXmlDocuments docs;
    ShopList shops;
    EXPECT_EQ(docs.LoadDownloaded(kAddress, "<affiliateinfo><affiliate id=\"1\"/></affiliateinfo>",
                                  shops),
              kAddress + ": Exception!");
    EXPECT_EQ(docs.LoadDownloaded(kAddress, "<affiliateinfo><products/></affiliateinfo>", shops),
              kAddress + ": Exception!");
    EXPECT_EQ(docs.LoadDownloaded(kAddress, "<other><affiliate/><products/></other>", shops),
              kAddress + ": Exception!");
    EXPECT_EQ(docs.GetProductCount(), 0);
}

TEST(CatalogueParse, NotWellFormedGivesMessageAndWholeBody) {
    CXmlDocuments docs;
    ShopList shops;
    const std::string page = "<html><body>Oops<br></body></html>";
    EXPECT_EQ(docs.LoadDownloaded(kAddress, page, shops),
              kAddress + ": Param.xmp has errors!\r\n" + page);
    EXPECT_EQ(docs.LoadDownloaded(kAddress, "", shops), kAddress + ": Param.xmp has errors!\r\n");
}

TEST(CatalogueParse, Latin1CatalogueIsReadByItsDeclaration) {
    CXmlDocuments docs;
    ShopList shops;
    ASSERT_EQ(docs.LoadDownloaded(kAddress,
                                  "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><affiliateinfo>"
                                  "<affiliate id=\"1\"/><products/><shipping><ship id=\"1\">"
                                  "<country name=\"Fran\xE7"
                                  "e\" value=\"FR\"/></ship></shipping>"
                                  "</affiliateinfo>",
                                  shops),
              "");
    EXPECT_EQ(docs.GetCountryName(0),
              "Fran\xC3\xA7"
              "e");
    EXPECT_EQ(docs.GetCountryValue("Fran\xC3\xA7"
                                   "e"),
              "FR");
}

TEST(CatalogueColourSpace, TheLabAsksForSrgbByTheAffiliatesColorspace) {
    struct Case {
        const char* affiliate;
        bool srgb;
    } cases[] = {
        {"<affiliate id=\"1\" colorspace=\"sRGB\"/>", true},
        {"<affiliate id=\"1\" colorspace=\"SRGB\"/>", true},
        {"<affiliate id=\"1\" colorspace=\"AdobeRGB\"/>", false},
        {"<affiliate id=\"1\" colorspace=\"sRGB2\"/>", false},
        {"<affiliate id=\"1\"/>", false},
    };
    for (const Case& c : cases) {
        CXmlDocuments docs;
        ShopList shops;
        ASSERT_EQ(docs.LoadDownloaded(
                      kAddress,
                      std::string("<affiliateinfo>") + c.affiliate + "<products/></affiliateinfo>",
                      shops),
                  "");
        EXPECT_EQ(docs.WantsSrgb(), c.srgb) << c.affiliate;
    }
}
