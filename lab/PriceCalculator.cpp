#include "lab/PriceCalculator.h"

#include <algorithm>
#include <map>
#include <vector>

#include "lab/Money.h"
#include "platform/XmlDocument.h"

namespace orlavo::lab {

namespace {

constexpr std::int64_t kMaxQuantity = 100000;
// Hundredths. Keeps every later sum (shares, amounts, postage) far from overflow;
// twelve-digit prices times the largest quantities would otherwise pass it.
constexpr std::int64_t kMaxSubprice = 1'000'000'000'000'000;
constexpr char kShopPayment[] = "9";
constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>";

// A value of the request named back in an answer. The client reads only the
// first 8191 bytes of an answer, so what a request carries must not be able to
// push the end of the document past them.
std::string Echo(std::string_view value) {
    constexpr std::size_t kMaxEcho = 64;
    if (value.size() <= kMaxEcho)
        return std::string(value);
    return std::string(value.substr(0, kMaxEcho)) + "...";
}

// What one offer takes off the prints, given what they cost and which were ordered.
std::int64_t OfferDiscount(const Offer& offer, std::int64_t subprice,
                           const std::vector<std::pair<const Product*, std::int64_t>>& lines,
                           int& freePrints) {
    std::int64_t off = (subprice * offer.percentOff + 50) / 100 + offer.amountOff;
    if (offer.freePrints > 0) {
        const Product* product = nullptr;
        std::int64_t qty = 0;
        for (const auto& [p, q] : lines) {
            bool match = offer.freeProduct.empty() ? (!product || p->price < product->price)
                                                   : p->id == offer.freeProduct;
            if (match) {
                product = p;
                qty = q;
            }
        }
        if (product) {
            std::int64_t n = std::min<std::int64_t>(offer.freePrints, qty);
            freePrints += static_cast<int>(n);
            off += n * product->price;
        }
    }
    return off;
}

}  // namespace

PriceCalculator::PriceCalculator(const Catalogue& catalogue, const Offers& offers)
    : catalogue_(catalogue), offers_(offers) {}

std::variant<PriceQuote, std::string> PriceCalculator::quote(std::string_view requestBytes) const {
    xml::Document doc;
    if (!doc.loadBytes(requestBytes) || doc.documentElement().name() != "PriceRequest")
        return std::string("Malformed price request");

    // Totals per product in catalogue order; a product listed twice counts twice.
    std::map<const Product*, std::int64_t> totals;
    for (const xml::Node& n : doc.selectSingle("PriceRequest/products").children()) {
        std::string id = n.attribute("id");
        if (n.name() != "product")
            return std::string("Malformed price request");
        const Product* p = catalogue_.findProduct(id);
        if (!p)
            return "Unknown product " + Echo(id);
        auto qty = ParseCount(n.attribute("qty"), kMaxQuantity);
        if (!qty)
            return "Malformed price request: bad quantity for product " + Echo(id);
        totals[p] += *qty;
        if (totals[p] > kMaxQuantity)
            return "Too many prints of product " + Echo(id);
    }
    std::vector<std::pair<const Product*, std::int64_t>> lines;
    for (const Product& p : catalogue_.products()) {
        auto it = totals.find(&p);
        if (it != totals.end() && it->second > 0)
            lines.emplace_back(&p, it->second);
    }

    PriceQuote q;
    for (const auto& [p, qty] : lines) {
        std::int64_t line = 0;
        if (__builtin_mul_overflow(p->price, qty, &line) ||
            __builtin_add_overflow(q.subprice, line, &q.subprice) || q.subprice > kMaxSubprice)
            return std::string("Order total too large");
    }

    std::string country = doc.selectSingle("PriceRequest/shipping").attribute("id");
    const ShippingGroup* group = catalogue_.groupOfCountry(country);
    if (!group)
        return "Unknown shipping country " + Echo(country);
    std::string payid = doc.selectSingle("PriceRequest/payment").attribute("payid");
    bool collect = payid == kShopPayment;
    q.shipping = collect ? 0 : group->cost;

    std::vector<std::string> notes;
    std::string voucherCode = doc.selectSingle("PriceRequest/codes/vouchercode").text();
    std::int64_t discount = 0;
    if (!NormalisedCode(voucherCode).empty()) {
        const Offer* voucher = offers_.findVoucher(voucherCode);
        if (!voucher)
            return "Unknown voucher code " + Echo(NormalisedCode(voucherCode));
        discount += OfferDiscount(*voucher, q.subprice, lines, q.freePrints);
        notes.push_back(voucher->text);
    }
    std::string promoCode = doc.selectSingle("PriceRequest/codes/promocode").text();
    if (!NormalisedCode(promoCode).empty()) {
        if (const Offer* promo = offers_.findPromotion(promoCode)) {
            discount += OfferDiscount(*promo, q.subprice, lines, q.freePrints);
            notes.push_back(promo->text);
        } else {
            notes.push_back("Promo code " + Echo(NormalisedCode(promoCode)) +
                            " is not recognised.");
        }
    }
    q.discount = std::min(discount, q.subprice);
    q.total = q.subprice - q.discount + q.shipping;

    if (collect)
        notes.push_back("Collect and pay for your prints at the shop; there is no postage.");
    else
        notes.push_back("Postage to " + Echo(group->name.empty() ? country : group->name) + ": " +
                        FormatAmount(q.shipping) + " " + catalogue_.currency() + ".");
    notes.push_back("Prints are usually dispatched within two working days.");
    for (const std::string& n : notes) {
        if (n.empty())
            continue;
        if (!q.msg.empty())
            q.msg += ' ';
        q.msg += n;
    }
    return q;
}

std::string PriceCalculator::answer(std::string_view requestBytes) const {
    auto result = quote(requestBytes);
    if (const auto* error = std::get_if<std::string>(&result))
        return ErrorDocument(*error);
    return QuoteDocument(std::get<PriceQuote>(result));
}

std::string PriceCalculator::QuoteDocument(const PriceQuote& quote) {
    xml::Document doc;
    doc.loadXml(std::string(kDeclaration) + "<PriceQuote><totals/><text/></PriceQuote>");
    xml::Node totals = doc.selectSingle("PriceQuote/totals");
    totals.appendElement("subprice").setText(FormatAmount(quote.subprice));
    totals.appendElement("totalprice").setText(FormatAmount(quote.total));
    totals.appendElement("discount").setText(FormatAmount(quote.discount));
    totals.appendElement("shipping").setText(FormatAmount(quote.shipping));
    totals.appendElement("numfreeprints").setText(std::to_string(quote.freePrints));
    doc.selectSingle("PriceQuote/text").appendElement("msg").setText(quote.msg);
    return doc.bytes();
}

std::string PriceCalculator::ErrorDocument(std::string_view msg) {
    xml::Document doc;
    doc.loadXml(std::string(kDeclaration) + "<PriceRequest><error/></PriceRequest>");
    doc.selectSingle("PriceRequest/error").setAttribute("msg", msg);
    return doc.bytes();
}

}  // namespace orlavo::lab
