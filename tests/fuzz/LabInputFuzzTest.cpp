// What clients send to the lab (price requests, order manifests) and the
// files it reads at start (catalogue, offers), damaged: the lab answers or
// refuses, its sums stay consistent, and no card number is kept whole.

#include <gtest/gtest.h>

#include <cctype>

#include "lab/Catalogue.h"
#include "lab/DemoCatalogue.h"
#include "lab/Offers.h"
#include "lab/PriceCalculator.h"
#include "lab/TransferManifest.h"
#include "platform/XmlDocument.h"
#include "tests/fuzz/Mutator.h"

namespace orlavo::lab {
namespace {

const std::string kRequest =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><PriceRequest>"
    "<extra affiliateid=\"4711\" qrtversion=\"2.0.44.3\"/><codes><vouchercode>welcome10"
    "</vouchercode><promocode>FREE10</promocode></codes><products><product id=\"101\" qty=\"12\"/>"
    "<product id=\"105\" qty=\"3\"/></products><shipping id=\"IE\"/><payment payid=\"1\"/>"
    "</PriceRequest>";

const std::string kManifest =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><transfermanifest><file "
    "contenttype=\"image/pjpeg\" "
    "filename=\"IMG_0001.JPG\" size=\"1234\" currentnumphoto=\"1\"><product id=\"101\" qty=\"2\" "
    "zoomtrim=\"1\"/></file><user firstname=\"Ren\xE9\" lastname=\"Ka\" city=\"York\" "
    "country=\"GB\" "
    "email=\"r@example.org\"/><shipping name=\"\" city=\"\" country=\"GB\" storeid=\"\"/><payment "
    "cctype=\"1\" ccnumber=\"4111 1111 1111 1111\" securitycode=\"737\" ccexpiremonth=\"12\" "
    "ccexpireyear=\"2030\" vouchercode=\"\" promocode=\"\"/><extra affiliateid=\"4711\" "
    "uniqueid=\"ABC\" numphotos=\"1\"/></transfermanifest>";

void CheckQuote(const PriceQuote& q) {
    EXPECT_GE(q.subprice, 0);
    EXPECT_GE(q.shipping, 0);
    EXPECT_GE(q.discount, 0);
    EXPECT_LE(q.discount, q.subprice);
    EXPECT_EQ(q.total, q.subprice - q.discount + q.shipping);
    EXPECT_GE(q.freePrints, 0);
}

TEST(LabInputFuzz, DamagedPriceRequestsGetAQuoteOrAnErrorDocument) {
    const Catalogue catalogue = Catalogue::Demo();
    const Offers offers = Offers::Demo();
    const PriceCalculator calc(catalogue, offers);
    fuzz::Mutator m(101);
    m.addTokens({"<product id=\"108\" qty=\"100000\"/>", "qty=\"99999999999999999999\"",
                 "qty=\"-1\"", "<product id=\"101\" qty=\"100000\"/>", "GIFT5", "SPRING20",
                 "payid=\"9\"", "<shipping id=\"GB\"/>", "</products>", "<products/>"});
    int quoted = 0, errors = 0;
    for (int i = 0; i < fuzz::Rounds(2500); ++i) {
        const std::string request = m.mutate(kRequest);
        const auto result = calc.quote(request);
        if (const auto* q = std::get_if<PriceQuote>(&result)) {
            ++quoted;
            CheckQuote(*q);
        } else {
            ++errors;
            EXPECT_FALSE(std::get<std::string>(result).empty());
        }
        // The answer is always a document the wizard can read.
        xml::Document answer;
        ASSERT_TRUE(answer.loadBytes(calc.answer(request)));
        const std::string root = answer.documentElement().name();
        EXPECT_TRUE(root == "PriceQuote" || root == "PriceRequest") << root;
    }
    // Fewer mutated requests are well-formed to a conforming parser.
    EXPECT_GT(quoted, 20);
    EXPECT_GT(errors, 200);
}

TEST(LabInputFuzz, ExpensiveCataloguesAndHugeOrdersDoNotOverflowTheSums) {
    // Prices at the reader's limit, quantities at the request's limit.
    std::string error;
    auto catalogue = Catalogue::FromBytes(
        "<affiliateinfo><affiliate id=\"1\" currency=\"GBP\"/><products>"
        "<product id=\"a\" price=\"999999999999.99\"/><product id=\"b\" price=\"999999999999.99\"/>"
        "</products><shipping><ship id=\"1\" price=\"999999999999.99\"><country "
        "value=\"GB\"/></ship>"
        "</shipping></affiliateinfo>",
        error);
    ASSERT_TRUE(catalogue) << error;
    auto offers = Offers::FromBytes(
        "<offers><voucher code=\"ALL\" percent=\"100\" amount=\"999999999999.99\"/>"
        "<promo code=\"FREE\" freeprints=\"100000\" product=\"a\"/></offers>",
        error);
    ASSERT_TRUE(offers) << error;
    const PriceCalculator calc(*catalogue, *offers);
    const std::string request =
        "<PriceRequest><codes><vouchercode>ALL</vouchercode><promocode>FREE</promocode></codes>"
        "<products><product id=\"a\" qty=\"100000\"/><product id=\"b\" qty=\"100000\"/></products>"
        "<shipping id=\"GB\"/><payment payid=\"1\"/></PriceRequest>";
    const auto result = calc.quote(request);
    ASSERT_TRUE(std::holds_alternative<std::string>(result));
    EXPECT_EQ(std::get<std::string>(result), "Order total too large");
    xml::Document answer;
    ASSERT_TRUE(answer.loadBytes(calc.answer(request)));
    EXPECT_EQ(answer.selectSingle("PriceRequest/error").attribute("msg"), "Order total too large");

    // One print of each at the top price is still quoted, every offer applied.
    const std::string one =
        "<PriceRequest><codes><vouchercode>ALL</vouchercode><promocode>FREE</promocode></codes>"
        "<products><product id=\"a\" qty=\"5\"/><product id=\"b\" qty=\"5\"/></products>"
        "<shipping id=\"GB\"/><payment payid=\"1\"/></PriceRequest>";
    const auto small = calc.quote(one);
    ASSERT_TRUE(std::holds_alternative<PriceQuote>(small));
    CheckQuote(std::get<PriceQuote>(small));
    EXPECT_EQ(std::get<PriceQuote>(small).subprice, 10 * 99999999999999);
}

int Digits(std::string_view s) {
    int n = 0;
    for (char c : s)
        n += std::isdigit(static_cast<unsigned char>(c)) ? 1 : 0;
    return n;
}

TEST(LabInputFuzz, DamagedManifestsAreReadOrRefusedAndNeverStoredWithTheCard) {
    fuzz::Mutator m(4111);
    m.addTokens({"ccnumber=\"5500005555555559\"", "securitycode=\"1234\"", "<payment ", "<x ",
                 "</transfermanifest>", "<product id=\"1\"/>"});
    int parsed = 0;
    for (int i = 0; i < fuzz::Rounds(2500); ++i) {
        const std::string bytes = m.mutate(kManifest);
        if (auto manifest = TransferManifest::Parse(bytes)) {
            ++parsed;
            EXPECT_LE(manifest->products.size(), bytes.size());
        }
        const std::string stored = ManifestForStorage(bytes);
        if (stored.empty())
            continue;
        xml::Document doc;
        ASSERT_TRUE(doc.loadBytes(stored)) << stored;
        EXPECT_TRUE(doc.selectAll("//*[@securitycode]").empty()) << stored;
        for (const xml::Node& n : doc.selectAll("//*[@ccnumber]"))
            EXPECT_LE(Digits(n.attribute("ccnumber")), 4) << stored;
    }
    EXPECT_GT(parsed, 70);
}

TEST(LabInputFuzz, ManifestRepeatingCardAttributesIsRefusedNotStored) {
    // A second copy of an attribute must not slip past the masking: such a
    // document is not well-formed, so nothing of it is kept.
    const std::string stored = ManifestForStorage(
        "<transfermanifest><payment ccnumber=\"4111111111111111\" securitycode=\"737\" "
        "ccnumber=\"5500005555555559\" securitycode=\"123\"/></transfermanifest>");
    EXPECT_TRUE(stored.empty()) << stored;
}

TEST(LabInputFuzz, DamagedCatalogueAndOffersFilesLoadOrSayWhy) {
    fuzz::Mutator m(8);
    const std::string catalogueText(DemoCatalogueText());
    int loaded = 0;
    for (int i = 0; i < fuzz::Rounds(800); ++i) {
        std::string error;
        const std::string bytes = m.mutate(catalogueText);
        if (auto c = Catalogue::FromBytes(bytes, error)) {
            ++loaded;
            EXPECT_EQ(c->bytes(), bytes);
            for (const Product& p : c->products()) {
                EXPECT_FALSE(p.id.empty());
                EXPECT_GE(p.price, 0);
                EXPECT_EQ(c->findProduct(p.id) != nullptr, true);
            }
            const Offers offers = Offers::Demo();
            const PriceCalculator calc(*c, offers);
            xml::Document answer;
            EXPECT_TRUE(answer.loadBytes(calc.answer(kRequest)));
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
    EXPECT_GT(loaded, 25);

    const std::string offersText =
        "<offers><voucher code=\"A\" percent=\"10\" text=\"t\"/><promo code=\"B\" amount=\"1.50\"/>"
        "<promo code=\"C\" freeprints=\"3\" product=\"101\"/></offers>";
    for (int i = 0; i < fuzz::Rounds(800); ++i) {
        std::string error;
        if (auto o = Offers::FromBytes(m.mutate(offersText), error)) {
            for (const Offer& offer : o->vouchers()) {
                EXPECT_GE(offer.percentOff, 0);
                EXPECT_LE(offer.percentOff, 100);
                EXPECT_GE(offer.amountOff, 0);
                EXPECT_GE(offer.freePrints, 0);
            }
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

}  // namespace
}  // namespace orlavo::lab
