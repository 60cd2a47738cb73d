#include "wizard/transmission/TransferManifest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/XmlDocument.h"
#include "tests/transmission/OrderSample.h"

namespace orlavo::transmission {
namespace {

std::vector<std::string> AttributeNames(const xml::Node& node) {
    std::vector<std::string> names;
    for (pugi::xml_attribute a : node.raw().attributes()) {
        names.push_back(a.name());
    }
    return names;
}

wizard::SelectedPhoto Photo(std::string path, std::uint64_t size, int products) {
    wizard::SelectedPhoto p;
    p.path = std::move(path);
    p.fileSize = size;
    p.orderLines.resize(static_cast<std::size_t>(products));
    return p;
}

class TransferManifestTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(samples::LoadSample(docs)); }
    wizard::CXmlDocuments docs;
};

TEST(MakeOrderId, HasFifteenCharactersOfTheAlphabetAndNeverRepeatsInOneSecond) {
    std::set<std::string> ids;
    for (int i = 0; i < 2000; ++i) {
        std::string id = MakeOrderId();
        ASSERT_EQ(id.size(), 15u);
        EXPECT_EQ(id.find_first_not_of(kOrderIdAlphabet), std::string::npos);
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 2000u);
}

TEST(ManifestFileName, TakesWhatFollowsTheLastSeparatorOfThisPlatform) {
    EXPECT_EQ(ManifestFileName("/home/ada/Pictures/img 02.JPG"), "img 02.JPG");
    EXPECT_EQ(ManifestFileName("plain.jpg"), "plain.jpg");
    EXPECT_EQ(ManifestFileName("/x/" + std::string(300, 'a')).size(), 259u);
    // 259 characters, not bytes: a character is never cut in two.
    std::string accents;
    for (int i = 0; i < 300; ++i)
        accents += "\xC3\xA9";
    EXPECT_EQ(ManifestFileName("/x/" + accents), accents.substr(0, 2 * 259));
    if (std::filesystem::path::preferred_separator == '\\') {
        EXPECT_EQ(ManifestFileName("C:\\Pictures\\Holiday\\img_01.jpg"), "img_01.jpg");
        EXPECT_EQ(ManifestFileName("D:photo.jpg"), "photo.jpg");
    } else {
        // A colon and a backslash are ordinary characters of a name here.
        EXPECT_EQ(ManifestFileName("/home/ada/n09_colon:name.jpg"), "n09_colon:name.jpg");
        EXPECT_EQ(ManifestFileName("/home/ada/back\\slash.jpg"), "back\\slash.jpg");
        EXPECT_EQ(ManifestFileName("C:\\Pictures\\img_01.jpg"), "C:\\Pictures\\img_01.jpg");
    }
}

TEST(ManifestFileName, CharactersThatXmlCannotHoldBecomeUnderscores) {
    struct Case {
        std::string name, written;
    } cases[] = {
        {"ctl_\x01\x1B.jpg", "ctl___.jpg"},
        {"tab\tline\nreturn\r.jpg", "tab_line_return_.jpg"},
        {"caf\xC3\xA9 \xE2\x82\xAC.jpg", "caf\xC3\xA9 \xE2\x82\xAC.jpg"},
        {"not\xEF\xBF\xBE\xEF\xBF\xBF"
         "chars.jpg",
         "not__chars.jpg"},
        // Bytes that are no UTF-8 are read as Latin-1, as a name from an
        // older system would be; a surrogate's bytes are three such.
        {"caf\xE9.jpg", "caf\xC3\xA9.jpg"},
        {"s\xED\xA0\x80.jpg", "s\xC3\xAD\xC2\xA0\xC2\x80.jpg"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ManifestFileName("/p/" + c.name), c.written) << c.name;
}

TEST_F(TransferManifestTest, AFileNameWithControlCharactersStillGivesAWellFormedManifest) {
    ASSERT_TRUE(SetCustomerDetails(docs, samples::Customer(), std::nullopt));
    wizard::SelectedPhoto photo = Photo("/home/ada/ctl_\x01\x1B:\xED\xA0\x80.jpg", 1000, 1);
    std::optional<std::string> text = BuildPhotoManifest(docs, photo, "ABCDEFGHIJKLMNO", 1, 1);
    ASSERT_TRUE(text);
    xml::Document doc;
    ASSERT_TRUE(doc.loadBytes(*text)) << *text;
    EXPECT_EQ(doc.selectSingle("transfermanifest/file").attribute("filename"),
              "ctl___:\xC3\xAD\xC2\xA0\xC2\x80.jpg");
}

TEST(MaskCardNumber, KeepsTheLastFourDigits) {
    EXPECT_EQ(MaskCardNumber("4111111111111111"), "xxxxxxxxxxxx1111");
    EXPECT_EQ(MaskCardNumber("123"), "123");
}

TEST_F(TransferManifestTest, CustomerDetailsGoIntoTheTemplateInOrder) {
    ASSERT_TRUE(SetCustomerDetails(docs, samples::Customer(), std::nullopt));
    const xml::Document& t = docs.manifestTemplate();
    xml::Node user = t.selectSingle("transfermanifest/user");
    EXPECT_EQ(
        AttributeNames(user),
        (std::vector<std::string>{"firstname", "lastname", "address1", "address2", "city",
                                  "country", "email", "phone", "state", "zip", "customernumber"}));
    EXPECT_EQ(user.attribute("country"), "GB");
    xml::Node shipping = t.selectSingle("transfermanifest/shipping");
    EXPECT_EQ(AttributeNames(shipping),
              (std::vector<std::string>{"storeid", "name", "address1", "address2", "city",
                                        "country", "phone", "state", "zip"}));
    EXPECT_EQ(shipping.attribute("country"), "FR");
    xml::Node payment = t.selectSingle("transfermanifest/payment");
    EXPECT_EQ(AttributeNames(payment),
              (std::vector<std::string>{"cctype", "ccnumber", "ccstartyear", "ccstartmonth",
                                        "ccexpireyear", "ccexpiremonth", "nameoncard", "issueno",
                                        "securitycode", "vouchercode", "promocode"}));
    EXPECT_EQ(GetPaymentValue(docs, "vouchercode"), "SPRING ");
    EXPECT_EQ(docs.billingCountryName, "United Kingdom");
    EXPECT_EQ(docs.shippingCountryName, "France");
}

TEST_F(TransferManifestTest, DealerNumberFollowsCustomerNumberOnlyWhenTheOptionIsOn) {
    ASSERT_TRUE(SetCustomerDetails(docs, samples::Customer(), std::nullopt));
    EXPECT_FALSE(
        docs.manifestTemplate().selectSingle("transfermanifest/user").hasAttribute("dealernumber"));
    ASSERT_TRUE(SetCustomerDetails(docs, samples::Customer(), std::string("D100")));
    std::vector<std::string> names =
        AttributeNames(docs.manifestTemplate().selectSingle("transfermanifest/user"));
    ASSERT_EQ(names.size(), 12u);
    EXPECT_EQ(names[10], "customernumber");
    EXPECT_EQ(names[11], "dealernumber");
    EXPECT_EQ(GetUserValue(docs, "dealernumber"), "D100");
}

TEST_F(TransferManifestTest, UnknownCountryGivesAnEmptyCode) {
    wizard::CustomerDetails r = samples::Customer();
    r.country = "Atlantis";
    ASSERT_TRUE(SetCustomerDetails(docs, r, std::nullopt));
    EXPECT_EQ(GetUserValue(docs, "country"), "");
    EXPECT_EQ(docs.billingCountryName, "Atlantis");
}

TEST_F(TransferManifestTest, SecondPassOverwritesWithoutReordering) {
    ASSERT_TRUE(SetCustomerDetails(docs, samples::Customer(), std::nullopt));
    wizard::CustomerDetails r = samples::Customer();
    r.firstname = "Augusta";
    r.country = "Ireland";
    ASSERT_TRUE(SetCustomerDetails(docs, r, std::nullopt));
    xml::Node user = docs.manifestTemplate().selectSingle("transfermanifest/user");
    EXPECT_EQ(AttributeNames(user).front(), "firstname");
    EXPECT_EQ(AttributeNames(user).size(), 11u);
    EXPECT_EQ(user.attribute("firstname"), "Augusta");
    EXPECT_EQ(user.attribute("country"), "IE");
}

TEST_F(TransferManifestTest, ReadersGiveTheStoredValuesAndTheCardType) {
    ASSERT_TRUE(SetCustomerDetails(docs, samples::Customer(), std::nullopt));
    EXPECT_EQ(GetUserValue(docs, "zip"), "BA1 1AA");
    EXPECT_EQ(GetShippingValue(docs, "city"), "Paris");
    EXPECT_EQ(GetPaymentValue(docs, "nameoncard"), "A BYRON");
    EXPECT_EQ(GetUserValue(docs, "nosuch"), "");
    EXPECT_EQ(GetCardTypeId(docs), 1);
    EXPECT_EQ(GetCardTypeName(docs), "Visa");
    wizard::CustomerDetails r = samples::Customer();
    r.cctype = "9x";
    ASSERT_TRUE(SetCustomerDetails(docs, r, std::nullopt));
    EXPECT_EQ(GetCardTypeId(docs), 9);
    r.cctype = "";
    ASSERT_TRUE(SetCustomerDetails(docs, r, std::nullopt));
    EXPECT_EQ(GetCardTypeId(docs), 0);
}

TEST_F(TransferManifestTest, PhotoManifestListsItsLinesInCatalogueOrder) {
    ASSERT_TRUE(SetCustomerDetails(docs, samples::Customer(), std::nullopt));
    const std::string path =
        (std::filesystem::path("Pictures") / "Holiday" / "img_01.jpg").string();
    wizard::SelectedPhoto photo = Photo(path, 123456, 4);
    photo.orderLines[3] = {2, 1};
    photo.orderLines[0] = {1, 0};
    std::optional<std::string> text = BuildPhotoManifest(docs, photo, "ABCDEFGHIJKLMNO", 1, 2);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->rfind("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"", 0), 0u) << *text;

    xml::Document m;
    ASSERT_TRUE(m.loadBytes(*text));
    xml::Node file = m.selectSingle("transfermanifest/file");
    EXPECT_EQ(AttributeNames(file),
              (std::vector<std::string>{"contenttype", "filename", "size", "currentnumphoto"}));
    EXPECT_EQ(file.attribute("contenttype"), "image/pjpeg");
    EXPECT_EQ(file.attribute("filename"), "img_01.jpg");
    EXPECT_EQ(file.attribute("size"), "123456");
    EXPECT_EQ(file.attribute("currentnumphoto"), "1");
    std::vector<xml::Node> products = file.children();
    ASSERT_EQ(products.size(), 2u);
    EXPECT_EQ(AttributeNames(products[0]), (std::vector<std::string>{"id", "qty", "zoomtrim"}));
    EXPECT_EQ(products[0].attribute("id"), "P6x4");
    EXPECT_EQ(products[0].attribute("qty"), "1");
    EXPECT_EQ(products[0].attribute("zoomtrim"), "0");
    EXPECT_EQ(products[1].attribute("id"), "P10x8");
    EXPECT_EQ(products[1].attribute("qty"), "2");
    EXPECT_EQ(products[1].attribute("zoomtrim"), "1");

    xml::Node extra = m.selectSingle("transfermanifest/extra");
    EXPECT_EQ(AttributeNames(extra),
              (std::vector<std::string>{"affiliateid", "qrtversion", "uniqueid", "numphotos"}));
    EXPECT_EQ(extra.attribute("affiliateid"), "AFF7");
    EXPECT_EQ(extra.attribute("qrtversion"), "2.0.44.3");
    EXPECT_EQ(extra.attribute("uniqueid"), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(extra.attribute("numphotos"), "2");
    EXPECT_EQ(m.selectSingle("transfermanifest/user").attribute("firstname"), "Ada");

    // The template itself never receives photo data.
    EXPECT_EQ(docs.manifestTemplate().selectSingle("transfermanifest/file").children().size(), 0u);
    EXPECT_FALSE(
        docs.manifestTemplate().selectSingle("transfermanifest/file").hasAttribute("filename"));
}

TEST_F(TransferManifestTest, ManifestIsSentAsIso88591) {
    wizard::CustomerDetails r = samples::Customer();
    r.firstname = "Zo\xC3\xAB";         // e with diaeresis
    r.lastname = "\xC5\x81ukasiewicz";  // L with stroke, beyond ISO-8859-1
    ASSERT_TRUE(SetCustomerDetails(docs, r, std::nullopt));
    std::optional<std::string> text =
        BuildPhotoManifest(docs, Photo("/p.jpg", 1, 4), "ABCDEFGHIJKLMNO", 1, 1);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("firstname=\"Zo\xEB\""), std::string::npos);
    EXPECT_NE(text->find("&#321;ukasiewicz"), std::string::npos);
}

TEST_F(TransferManifestTest, DebugDumpMasksTheCardAndLeavesOutTheSecurityCode) {
    ASSERT_TRUE(SetCustomerDetails(docs, samples::Customer(), std::nullopt));
    std::vector<std::pair<std::string, std::string>> dumped;
    DiagnosticSink sink = [&](std::string_view file, std::string_view bytes) {
        dumped.emplace_back(file, bytes);
        return true;
    };
    std::optional<std::string> text =
        BuildPhotoManifest(docs, Photo("/p.jpg", 1, 4), "ABCDEFGHIJKLMNO", 2, 3, sink);
    ASSERT_TRUE(text);
    // What is sent keeps the card data for the lab.
    EXPECT_NE(text->find("4111111111111111"), std::string::npos);
    EXPECT_NE(text->find("securitycode=\"737\""), std::string::npos);
    ASSERT_EQ(dumped.size(), 1u);
    EXPECT_EQ(dumped[0].first, "!QRT2_output.txt");
    const std::string& d = dumped[0].second;
    EXPECT_EQ(d.rfind("\r\n------------ Photo 2 of 3 --------------\r\n<?xml", 0), 0u);
    EXPECT_EQ(d.find("4111111111111111"), std::string::npos);
    EXPECT_NE(d.find("ccnumber=\"xxxxxxxxxxxx1111\""), std::string::npos);
    EXPECT_EQ(d.find("securitycode"), std::string::npos);
    EXPECT_EQ(d.find("737"), std::string::npos);
}

TEST_F(TransferManifestTest, TemplateWithoutItsElementsCannotBeBuiltFrom) {
    ASSERT_TRUE(docs.manifestTemplate().loadXml("<transfermanifest/>"));
    EXPECT_FALSE(SetCustomerDetails(docs, samples::Customer(), std::nullopt));
    EXPECT_FALSE(BuildPhotoManifest(docs, Photo("/p.jpg", 1, 4), "ABCDEFGHIJKLMNO", 1, 1));
}

}  // namespace
}  // namespace orlavo::transmission
