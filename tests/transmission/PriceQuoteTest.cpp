#include "wizard/transmission/PriceQuote.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include "platform/XmlDocument.h"
#include "tests/support/RawHttpServer.h"
#include "tests/transmission/OrderSample.h"

namespace orlavo::transmission {
namespace {

using test::RawHttpServer;
using test::RawRequest;
using test::RawResponse;

class PriceQuoteTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(samples::LoadSample(docs));
        ASSERT_TRUE(SetCustomerDetails(docs, samples::Customer(), std::nullopt));
        order.setProductCount(docs.GetProductCount());
    }
    std::size_t Add(const std::string& path) { return order.AddPhoto(path, 0, 1000, 640, 480); }

    wizard::CXmlDocuments docs;
    wizard::OrderModel order;
};

std::vector<std::pair<std::string, std::string>> Products(const xml::Document& request) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const xml::Node& p : request.selectAll("PriceRequest/products/product")) {
        out.emplace_back(p.attribute("id"), p.attribute("qty"));
    }
    return out;
}

TEST_F(PriceQuoteTest, TotalsAddUpPerProductInCatalogueOrder) {
    std::size_t a = Add("/a.jpg");
    std::size_t b = Add("/b.jpg");
    order.SetQuantity(a, 3, 1);
    order.SetQuantity(a, 1, 2);
    order.SetQuantity(b, 1, 3);
    std::vector<int> totals = TotalQuantities(order, docs.GetProductCount());
    EXPECT_EQ(totals, (std::vector<int>{0, 5, 0, 1}));

    std::string text;
    ASSERT_TRUE(BuildPriceRequest(docs, "SPRING ", "", totals, text));
    xml::Document request;
    ASSERT_TRUE(request.loadBytes(text));
    EXPECT_EQ(Products(request),
              (std::vector<std::pair<std::string, std::string>>{{"P7x5", "5"}, {"P10x8", "1"}}));
}

TEST_F(PriceQuoteTest, RequestCarriesTheAffiliateCodesBillingCountryAndPayment) {
    std::string text;
    ASSERT_TRUE(BuildPriceRequest(docs, "SPRING ", "", {0, 0, 0, 0}, text));
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"", 0), 0u);
    xml::Document request;
    ASSERT_TRUE(request.loadBytes(text));
    xml::Node extra = request.selectSingle("PriceRequest/extra");
    EXPECT_EQ(extra.attribute("affiliateid"), "AFF7");
    EXPECT_EQ(extra.attribute("qrtversion"), "2.0.44.3");
    EXPECT_EQ(request.selectSingle("PriceRequest/codes/vouchercode").text(), "SPRING ");
    EXPECT_EQ(request.selectSingle("PriceRequest/codes/promocode").text(), "");
    // Shipping to France still sends the billing country's value.
    EXPECT_EQ(request.selectSingle("PriceRequest/shipping").attribute("id"), "GB");
    EXPECT_EQ(request.selectSingle("PriceRequest/payment").attribute("payid"), "1");
    // No prints at all: an empty products element.
    xml::Node products = request.selectSingle("PriceRequest/products");
    ASSERT_TRUE(products);
    EXPECT_EQ(products.childCount(), 0u);
}

TEST(ParsePriceQuote, ANewQuoteReplacesTheLastOneWhole) {
    PriceQuoteInfo info;
    info.discount = "0.50";
    std::string dumped;
    DiagnosticSink sink = [&](std::string_view file, std::string_view bytes) {
        EXPECT_EQ(file, "!QRT2_request.txt");
        dumped += bytes;
        return true;
    };
    const std::string answer =
        "<?xml version=\"1.0\"?><PriceQuote><totals><subprice>12.50</subprice>"
        "<totalprice>14.00</totalprice><shipping>1.50</shipping><numfreeprints>3"
        "</numfreeprints></totals><text><msg>Thank you</msg></text></PriceQuote>";
    EXPECT_EQ(ParsePriceQuote(answer, info, sink), "");
    EXPECT_EQ(info.subprice, "12.50");
    EXPECT_EQ(info.totalprice, "14.00");
    // The last quote's discount must not show beside this one's totals.
    EXPECT_EQ(info.discount, "");
    EXPECT_EQ(info.shipping, "1.50");
    EXPECT_EQ(info.numfreeprints, "3");
    EXPECT_EQ(info.msg, "Thank you");
    EXPECT_EQ(dumped, answer);
}

TEST(ParsePriceQuote, ErrorDocumentGivesItsMessageAndLeavesTheQuote) {
    PriceQuoteInfo info;
    info.totalprice = "9.99";
    EXPECT_EQ(
        ParsePriceQuote("<PriceRequest><error msg=\"Unknown voucher\"/></PriceRequest>", info),
        "Unknown voucher");
    EXPECT_EQ(info.totalprice, "9.99");
}

TEST(ParsePriceQuote, OnlyTheLabsOwnReasonIsShownAlone) {
    const struct {
        const char* answer;
        bool refused;
        const char* shown;
    } cases[] = {
        {"<PriceRequest><error msg=\"Unknown voucher code BOGUS\"/></PriceRequest>", true,
         "Unknown voucher code BOGUS"},
        {"<PriceRequest><error/></PriceRequest>", false,
         "Wrong server response. Unable to access server information."},
        {"<html>Maintenance</html>", false,
         "Wrong server response. Unable to access server information."},
        {"<PriceQuote><totals/></PriceQuote>", false, ""},
    };
    for (const auto& c : cases) {
        PriceQuoteInfo info;
        bool refused = !c.refused;
        const std::string result = ParsePriceQuote(c.answer, info, {}, &refused);
        EXPECT_EQ(refused, c.refused) << c.answer;
        EXPECT_EQ(result.empty() ? "" : PriceFailureText(result, refused), c.shown);
    }
    // The transport's failures keep the suffix: the lab was not reached.
    EXPECT_EQ(PriceFailureText("Couldn't connect to server", false),
              "Couldn't connect to server. Unable to access server information.");
}

TEST(ParsePriceQuote, RefusalOrAnswerWithoutAQuoteIsNoSuccess) {
    PriceQuoteInfo info;
    info.totalprice = "9.99";
    EXPECT_EQ(ParsePriceQuote("<PriceRequest><error/></PriceRequest>", info),
              "Wrong server response");
    EXPECT_EQ(ParsePriceQuote("<PriceRequest><error msg=\"\"/></PriceRequest>", info),
              "Wrong server response");
    EXPECT_EQ(ParsePriceQuote("<html><body><p>Maintenance</p></body></html>", info),
              "Wrong server response");
    // Two documents in one answer are not a document, let alone a quote.
    EXPECT_EQ(ParsePriceQuote("<PriceQuote><totals><totalprice>0.01</totalprice></totals>"
                              "</PriceQuote><PriceQuote/>",
                              info),
              "Wrong server response");
    EXPECT_EQ(info.totalprice, "9.99");
}

TEST(ParsePriceQuote, AnswerThatIsNotXmlIsAWrongResponseAndStillDumped) {
    PriceQuoteInfo info;
    int dumps = 0;
    DiagnosticSink sink = [&](std::string_view, std::string_view) {
        ++dumps;
        return true;
    };
    EXPECT_EQ(ParsePriceQuote("", info, sink), "Wrong server response");
    EXPECT_EQ(ParsePriceQuote("<html><body>Oops</html>", info, sink), "Wrong server response");
    EXPECT_EQ(dumps, 2);
}

TEST_F(PriceQuoteTest, WholeExchangeFillsTheQuote) {
    order.SetQuantity(Add("/a.jpg"), 0, 4);
    RawHttpServer server([](const RawRequest&) {
        return RawResponse::Http(200, "OK",
                                 "<PriceQuote><totals><totalprice>1.00</totalprice></totals>"
                                 "</PriceQuote>");
    });
    PriceQuoteRequest request;
    request.url = server.url("/price");
    request.voucher = "V1";
    PriceQuoteInfo info;
    EXPECT_EQ(RequestPriceQuote(docs, order, request, info), "");
    EXPECT_EQ(info.totalprice, "1.00");
    RawRequest sent = server.requests().at(0);
    EXPECT_NE(sent.body.find("name=\"PriceRequest\"\r\n\r\n<?xml"), std::string::npos);
    EXPECT_NE(sent.body.find("<product id=\"P6x4\" qty=\"4\""), std::string::npos);
    EXPECT_NE(sent.body.find("<vouchercode>V1</vouchercode>"), std::string::npos);
}

TEST_F(PriceQuoteTest, TransportFailureGivesItsMessage) {
    std::string url;
    {
        RawHttpServer gone([](const RawRequest&) { return RawResponse::Http(200, "OK", ""); });
        url = gone.url("/price");
    }
    PriceQuoteRequest request;
    request.url = url;
    PriceQuoteInfo info;
    EXPECT_EQ(RequestPriceQuote(docs, order, request, info),
              curl_easy_strerror(CURLE_COULDNT_CONNECT));
}

TEST_F(PriceQuoteTest, RequestThatCannotBeBuiltIsReportedAndNotSent) {
    RawHttpServer server([](const RawRequest&) { return RawResponse::Http(200, "OK", ""); });
    ASSERT_TRUE(docs.manifestTemplate().loadXml("<transfermanifest/>"));
    PriceQuoteRequest request;
    request.url = server.url("/price");
    PriceQuoteInfo info;
    info.totalprice = "old";
    EXPECT_EQ(RequestPriceQuote(docs, order, request, info), "Unable to load server data");
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_EQ(info.totalprice, "old");
}

}  // namespace
}  // namespace orlavo::transmission
