#include "wizard/transmission/PriceQuote.h"

#include "platform/XmlDocument.h"
#include "resources/WizardResources.h"
#include "wizard/transmission/PriceRequestPost.h"

namespace orlavo::transmission {

namespace {

constexpr std::string_view kQuoteDump = "!QRT2_request.txt";
constexpr int kStrWrongResponse = 3418;
constexpr int kStrUnableToLoad = 3419;
constexpr int kStrUnableToAccess = 3420;

}  // namespace

std::vector<int> TotalQuantities(const wizard::OrderModel& order, int productCount) {
    std::vector<int> totals(static_cast<std::size_t>(std::max(productCount, 0)), 0);
    for (const wizard::SelectedPhoto& photo : order.photos()) {
        for (std::size_t j = 0; j < totals.size() && j < photo.orderLines.size(); ++j) {
            totals[j] += photo.orderLines[j].quantity;
        }
    }
    return totals;
}

bool BuildPriceRequest(const wizard::CXmlDocuments& docs, std::string_view voucher,
                       std::string_view promo, const std::vector<int>& totals,
                       std::string& request) {
    xml::Document doc;
    if (!doc.loadXml(kPriceRequestTemplate)) {
        return false;
    }
    xml::Node affiliate = docs.catalogue().selectSingle("affiliateinfo/affiliate");
    xml::Node manifestExtra = docs.manifestTemplate().selectSingle("transfermanifest/extra");
    xml::Node user = docs.manifestTemplate().selectSingle("transfermanifest/user");
    xml::Node payment = docs.manifestTemplate().selectSingle("transfermanifest/payment");
    xml::Node extra = doc.selectSingle("PriceRequest/extra");
    xml::Node voucherNode = doc.selectSingle("PriceRequest/codes/vouchercode");
    xml::Node promoNode = doc.selectSingle("PriceRequest/codes/promocode");
    xml::Node products = doc.selectSingle("PriceRequest/products");
    xml::Node shipping = doc.selectSingle("PriceRequest/shipping");
    xml::Node paymentOut = doc.selectSingle("PriceRequest/payment");
    if (!affiliate || !manifestExtra || !user || !payment || !extra || !voucherNode || !promoNode ||
        !products || !shipping || !paymentOut) {
        return false;
    }
    extra.setAttribute("affiliateid", affiliate.attribute("id"));
    extra.setAttribute("qrtversion", manifestExtra.attribute("qrtversion"));
    voucherNode.setText(voucher);
    promoNode.setText(promo);
    for (std::size_t j = 0; j < totals.size(); ++j) {
        if (totals[j] <= 0) {
            continue;
        }
        xml::Node product = products.appendElement("product");
        product.setAttribute("id", docs.GetProductId(static_cast<int>(j)));
        product.setAttribute("qty", static_cast<std::int32_t>(totals[j]));
    }
    shipping.setAttribute("id", user.attribute("country"));
    paymentOut.setAttribute("payid", payment.attribute("cctype"));
    request = doc.bytes();
    return true;
}

std::string ParsePriceQuote(std::string_view answer, PriceQuoteInfo& info,
                            const DiagnosticSink& dump, bool* refused) {
    if (refused != nullptr) {
        *refused = false;
    }
    if (dump) {
        dump(kQuoteDump, answer);
    }
    xml::Document doc;
    if (!doc.loadBytes(answer)) {
        return wizard::Str(kStrWrongResponse);
    }
    if (xml::Node error = doc.selectSingle("PriceRequest/error")) {
        // A refusal without a reason is still a refusal, never a quote.
        std::string msg = error.attribute("msg");
        if (msg.empty()) {
            return wizard::Str(kStrWrongResponse);
        }
        if (refused != nullptr) {
            *refused = true;
        }
        return msg;
    }
    if (!doc.selectSingle("PriceQuote")) {
        return wizard::Str(kStrWrongResponse);
    }
    const std::pair<const char*, std::string PriceQuoteInfo::*> fields[] = {
        {"PriceQuote/totals/subprice", &PriceQuoteInfo::subprice},
        {"PriceQuote/totals/totalprice", &PriceQuoteInfo::totalprice},
        {"PriceQuote/totals/discount", &PriceQuoteInfo::discount},
        {"PriceQuote/totals/shipping", &PriceQuoteInfo::shipping},
        {"PriceQuote/totals/numfreeprints", &PriceQuoteInfo::numfreeprints},
        {"PriceQuote/text/msg", &PriceQuoteInfo::msg},
    };
    // A quote replaces the last one whole: a total it leaves out is empty,
    // not the previous quote's figure.
    PriceQuoteInfo quote;
    for (const auto& [path, member] : fields) {
        if (xml::Node node = doc.selectSingle(path)) {
            quote.*member = node.text();
        }
    }
    info = quote;
    return {};
}

std::string PriceFailureText(const std::string& result, bool refused) {
    return refused ? result : result + wizard::Str(kStrUnableToAccess);
}

std::string RequestPriceQuote(const wizard::CXmlDocuments& docs, const wizard::OrderModel& order,
                              const PriceQuoteRequest& request, PriceQuoteInfo& info,
                              bool* refused) {
    if (refused != nullptr) {
        *refused = false;
    }
    std::vector<int> totals = TotalQuantities(order, docs.GetProductCount());
    std::string text;
    if (!BuildPriceRequest(docs, request.voucher, request.promo, totals, text)) {
        return wizard::Str(kStrUnableToLoad);
    }
    std::string answer;
    if (!PostPriceRequest(request.url, text, answer, request.agent)) {
        return answer;
    }
    return ParsePriceQuote(answer, info, request.dump, refused);
}

}  // namespace orlavo::transmission
