#include "lab/Offers.h"

#include "lab/DemoCatalogue.h"
#include "lab/Money.h"
#include "platform/XmlDocument.h"

namespace orlavo::lab {

namespace {

std::optional<Offer> ReadOffer(const xml::Node& n, std::string& error) {
    Offer o;
    o.code = NormalisedCode(n.attribute("code"));
    o.freeProduct = n.attribute("product");
    o.text = n.attribute("text");
    if (o.code.empty()) {
        error = "an offer has no code";
        return std::nullopt;
    }
    if (n.hasAttribute("percent")) {
        auto p = ParseCount(n.attribute("percent"), 100);
        if (!p) {
            error = "offer " + o.code + ": percent must be 0 to 100";
            return std::nullopt;
        }
        o.percentOff = static_cast<int>(*p);
    }
    if (n.hasAttribute("amount")) {
        auto a = ParseAmount(n.attribute("amount"));
        if (!a) {
            error = "offer " + o.code + ": amount is not an amount";
            return std::nullopt;
        }
        o.amountOff = *a;
    }
    if (n.hasAttribute("freeprints")) {
        auto f = ParseCount(n.attribute("freeprints"), 100000);
        if (!f) {
            error = "offer " + o.code + ": freeprints is not a count";
            return std::nullopt;
        }
        o.freePrints = static_cast<int>(*f);
    }
    return o;
}

const Offer* Find(const std::vector<Offer>& list, std::string_view code) {
    std::string c = NormalisedCode(code);
    if (c.empty())
        return nullptr;
    for (const Offer& o : list)
        if (o.code == c)
            return &o;
    return nullptr;
}

}  // namespace

std::string NormalisedCode(std::string_view code) {
    std::size_t b = code.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos)
        return {};
    std::size_t e = code.find_last_not_of(" \t\r\n");
    std::string out(code.substr(b, e - b + 1));
    for (char& ch : out)
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
    return out;
}

std::optional<Offers> Offers::FromBytes(std::string_view bytes, std::string& error) {
    xml::Document doc;
    if (!doc.loadBytes(bytes) || doc.documentElement().name() != "offers") {
        error = "the offers file is not an offers document";
        return std::nullopt;
    }
    Offers offers;
    for (const xml::Node& n : doc.selectAll("offers/voucher")) {
        auto o = ReadOffer(n, error);
        if (!o)
            return std::nullopt;
        offers.vouchers_.push_back(std::move(*o));
    }
    for (const xml::Node& n : doc.selectAll("offers/promo")) {
        auto o = ReadOffer(n, error);
        if (!o)
            return std::nullopt;
        offers.promotions_.push_back(std::move(*o));
    }
    return offers;
}

Offers Offers::Demo() {
    std::string error;
    return *FromBytes(DemoOffersText(), error);
}

const Offer* Offers::findVoucher(std::string_view code) const {
    return Find(vouchers_, code);
}

const Offer* Offers::findPromotion(std::string_view code) const {
    return Find(promotions_, code);
}

}  // namespace orlavo::lab
