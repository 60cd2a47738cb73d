// Price quotes from the running lab for requests as the wizard sends them.

#include <fstream>

#include "platform/XmlDocument.h"
#include "tests/lab/LabFixture.h"

namespace orlavo::labtest {
namespace {

struct Answer {
    std::string subprice, totalprice, discount, shipping, numfreeprints, msg;
    std::string error;  // PriceRequest/error/@msg
    bool isQuote = false;
    bool isError = false;
    std::string raw;
};

class LabPrice : public LabFixture {
protected:
    void SetUp() override { startLab(); }

    Answer ask(const std::string& request) {
        Answer a;
        auto res = PostPrice(*client_, request);
        if (!res) {
            ADD_FAILURE() << "no answer";
            return a;
        }
        a.raw = res->body;
        xml::Document doc;
        if (!doc.loadBytes(res->body))
            return a;
        a.isQuote = static_cast<bool>(doc.selectSingle("PriceQuote/totals"));
        a.isError = static_cast<bool>(doc.selectSingle("PriceRequest/error"));
        a.subprice = doc.selectSingle("PriceQuote/totals/subprice").text();
        a.totalprice = doc.selectSingle("PriceQuote/totals/totalprice").text();
        a.discount = doc.selectSingle("PriceQuote/totals/discount").text();
        a.shipping = doc.selectSingle("PriceQuote/totals/shipping").text();
        a.numfreeprints = doc.selectSingle("PriceQuote/totals/numfreeprints").text();
        a.msg = doc.selectSingle("PriceQuote/text/msg").text();
        a.error = doc.selectSingle("PriceRequest/error").attribute("msg");
        return a;
    }
};

TEST_F(LabPrice, QuotesPrintsPostageAndTotal) {
    PriceRequestFields req;
    req.products = {{"101", 4}, {"105", 1}};  // 4 x 0.25 + 1.95
    Answer a = ask(req.xml());
    ASSERT_TRUE(a.isQuote) << a.raw;
    EXPECT_EQ(a.subprice, "2.95");
    EXPECT_EQ(a.shipping, "1.95");
    EXPECT_EQ(a.discount, "0.00");
    EXPECT_EQ(a.totalprice, "4.90");
    EXPECT_EQ(a.numfreeprints, "0");
    EXPECT_FALSE(a.msg.empty());
    EXPECT_LT(a.raw.size(), 8191u);
    EXPECT_EQ(a.raw.rfind("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"", 0), 0u);
}

TEST_F(LabPrice, PostageFollowsTheShippingGroupOfTheCountry) {
    PriceRequestFields req;
    req.country = "FR";
    EXPECT_EQ(ask(req.xml()).shipping, "4.50");
    req.country = "JE";
    EXPECT_EQ(ask(req.xml()).shipping, "1.95");
    req.payId = "9";  // collected and paid at the shop
    Answer shop = ask(req.xml());
    EXPECT_EQ(shop.shipping, "0.00");
    EXPECT_EQ(shop.totalprice, "1.00");
}

TEST_F(LabPrice, ProductsListedTwiceAreAddedUp) {
    PriceRequestFields req;
    req.products = {{"102", 2}, {"102", 3}};
    EXPECT_EQ(ask(req.xml()).subprice, "2.25");
}

TEST_F(LabPrice, VoucherCodeGivesItsDiscountWhateverTheCase) {
    PriceRequestFields req;
    req.products = {{"101", 4}, {"105", 1}};
    req.voucher = " welcome10 ";
    Answer a = ask(req.xml());
    ASSERT_TRUE(a.isQuote) << a.raw;
    EXPECT_EQ(a.discount, "0.30");  // 10 % of 2.95, rounded
    EXPECT_EQ(a.totalprice, "4.60");
    EXPECT_NE(a.msg.find("WELCOME10"), std::string::npos);

    req.voucher = "GIFT5";  // more than the prints cost: never below the postage
    a = ask(req.xml());
    EXPECT_EQ(a.discount, "2.95");
    EXPECT_EQ(a.totalprice, "1.95");
}

TEST_F(LabPrice, PromotionGivesFreePrintsOrAShare) {
    PriceRequestFields req;
    req.products = {{"101", 12}, {"104", 1}};  // 3.00 + 0.85
    req.promo = "FREE10";
    Answer a = ask(req.xml());
    EXPECT_EQ(a.numfreeprints, "10");
    EXPECT_EQ(a.discount, "2.50");
    EXPECT_EQ(a.totalprice, "3.30");

    req.products = {{"101", 3}};
    EXPECT_EQ(ask(req.xml()).numfreeprints, "3");

    req.products = {{"105", 2}};  // 3.90
    req.promo = "spring20";
    a = ask(req.xml());
    EXPECT_EQ(a.discount, "0.78");
    EXPECT_EQ(a.numfreeprints, "0");
}

TEST_F(LabPrice, UnknownPromotionIsNamedInTheMessageNotRefused) {
    PriceRequestFields req;
    req.promo = "NOSUCH";
    Answer a = ask(req.xml());
    ASSERT_TRUE(a.isQuote) << a.raw;
    EXPECT_EQ(a.discount, "0.00");
    EXPECT_NE(a.msg.find("NOSUCH"), std::string::npos);
}

TEST_F(LabPrice, AnOrderWithoutPrintsCostsThePostage) {
    PriceRequestFields req;
    req.products = {};
    Answer a = ask(req.xml());
    EXPECT_EQ(a.subprice, "0.00");
    EXPECT_EQ(a.totalprice, "1.95");
}

TEST_F(LabPrice, UnknownVoucherProductOrCountryAnswerAnError) {
    PriceRequestFields voucher;
    voucher.voucher = "FAKE";
    Answer a = ask(voucher.xml());
    EXPECT_TRUE(a.isError);
    EXPECT_FALSE(a.isQuote);
    EXPECT_NE(a.error.find("FAKE"), std::string::npos);

    PriceRequestFields product;
    product.products = {{"999", 1}};
    a = ask(product.xml());
    EXPECT_TRUE(a.isError);
    EXPECT_NE(a.error.find("999"), std::string::npos);

    PriceRequestFields country;
    country.country = "";
    EXPECT_TRUE(ask(country.xml()).isError);
}

TEST_F(LabPrice, LongCodesAndIdsKeepTheAnswerWithinWhatTheWizardReads) {
    const std::string longText(20000, 'Q');
    PriceRequestFields voucher;
    voucher.voucher = longText;
    PriceRequestFields promo;
    promo.promo = longText;
    PriceRequestFields product;
    product.products = {{longText, 1}};
    PriceRequestFields country;
    country.country = longText;
    for (const PriceRequestFields* req : {&voucher, &promo, &product, &country}) {
        Answer a = ask(req->xml());
        EXPECT_LT(a.raw.size(), 8191u);
        EXPECT_TRUE(a.isError || a.isQuote) << a.raw.substr(0, 200);
    }
    Answer a = ask(promo.xml());
    EXPECT_TRUE(a.isQuote);
    EXPECT_NE(a.msg.find("QQQ..."), std::string::npos) << a.msg;
}

TEST_F(LabPrice, MalformedRequestsAnswerAnError) {
    PriceRequestFields negative;
    negative.products = {{"101", -1}};
    for (const std::string& bad :
         {std::string("not xml at all"), std::string(""), std::string("<PriceQuote/>"),
          std::string("<PriceRequest><products><product id=\"101\" qty=\"many\"/></products>"),
          negative.xml()}) {
        Answer a = ask(bad);
        EXPECT_TRUE(a.isError) << bad << "\n" << a.raw;
        EXPECT_FALSE(a.error.empty());
    }
    // No PriceRequest field at all.
    httplib::MultipartFormDataItems items = {{"Other", "x", "", ""}};
    auto res = client_->Post("/price", items);
    ASSERT_TRUE(res);
    EXPECT_NE(res->body.find("<error"), std::string::npos);
    // Not even a form.
    res = client_->Post("/price", "PriceRequest", "text/plain");
    ASSERT_TRUE(res);
    EXPECT_NE(res->body.find("<error"), std::string::npos);
}

TEST_F(LabPrice, ReadsTheWizardsExactBytes) {
    // Boundary, field and closing delimiter as the wizard writes them, with
    // an ISO-8859-1 code in the request.
    PriceRequestFields req;
    req.promo = "\xC9T\xC9";
    std::string body = MultipartBody({{"PriceRequest", req.xml()}}, "", "");
    std::string head =
        "POST /price HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
        "multipart/form-data; boundary=" +
        std::string(kBoundary) + "\r\nContent-Length: " + std::to_string(body.size()) +
        "\r\nConnection: close\r\n\r\n";
    std::string answer = RawExchange(lab_->port(), head + body);
    EXPECT_EQ(answer.rfind("HTTP/1.1 200", 0), 0u) << answer;
    EXPECT_NE(answer.find("<subprice>1.00</subprice>"), std::string::npos) << answer;
    EXPECT_NE(answer.find("\xC9T\xC9"), std::string::npos);  // named back in ISO-8859-1
}

class LabPriceOffersFile : public LabFixture {};

TEST_F(LabPriceOffersFile, OffersFileReplacesTheDemoCodes) {
    std::ofstream(dir() / "offers.xml")
        << "<offers><voucher code=\"HALF\" percent=\"50\" text=\"Half price.\"/></offers>";
    startLab();
    PriceRequestFields req;
    req.voucher = "HALF";
    auto res = PostPrice(*client_, req.xml());
    ASSERT_TRUE(res);
    EXPECT_NE(res->body.find("<discount>0.50</discount>"), std::string::npos) << res->body;
    req.voucher = "WELCOME10";
    res = PostPrice(*client_, req.xml());
    ASSERT_TRUE(res);
    EXPECT_NE(res->body.find("<error"), std::string::npos);
}

}  // namespace
}  // namespace orlavo::labtest
