#include "tools/orlavo-order/OrderDetails.h"

#include <cctype>

#include "wizard/customer/CardNumber.h"
#include "wizard/customer/DeliveryRule.h"

namespace orlavo::order {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string Get(const std::map<std::string, std::string>& values, const std::string& key) {
    auto it = values.find(key);
    return it == values.end() ? std::string() : it->second;
}

// The catalogue's country name for TYPED, the way a remembered country is
// selected in the list.
std::string CountryName(const wizard::CXmlDocuments& docs, const std::string& typed) {
    const int count = docs.GetCountryCount();
    if (count == 0) {
        return typed;
    }
    const std::string wanted = Lower(typed);
    for (int i = 0; i < count && !wanted.empty(); ++i) {
        std::string name = docs.GetCountryName(i);
        if (Lower(name).rfind(wanted, 0) == 0) {
            return name;
        }
    }
    return docs.GetCountryName(0);
}

bool ParseYesNo(const std::string& text, bool& value) {
    std::string t = Lower(text);
    if (t.empty() || t == "no" || t == "0" || t == "false") {
        value = false;
    } else if (t == "yes" || t == "1" || t == "true") {
        value = true;
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool ResolveDetails(const std::map<std::string, std::string>& v, const wizard::CXmlDocuments& docs,
                    const wizard::ShopList& shops, ResolvedDetails& out, std::string& error) {
    wizard::DetailsEntries& e = out.entries;
    wizard::CustomerDetails& r = out.record;

    std::string delivery = Lower(Get(v, "delivery"));
    if (delivery.empty()) {
        delivery = "home";
    }
    if (delivery != "home" && delivery != "shop") {
        error = "delivery must be home or shop";
        return false;
    }
    e.shopCollection = delivery == "shop";
    if (!ParseYesNo(Get(v, "sameasbilling"), e.sameAsBilling)) {
        error = "sameasbilling must be yes or no";
        return false;
    }

    const wizard::ShopRecord* shop = nullptr;
    if (e.shopCollection) {
        if (shops.empty()) {
            error = "this lab has no shops to collect from; use delivery=home";
            return false;
        }
        std::string wanted = Get(v, "shop");
        if (wanted.empty() && shops.size() == 1) {
            shop = &shops.front();
        }
        for (const wizard::ShopRecord& s : shops) {
            if (!wanted.empty() && s.id == wanted) {
                shop = &s;
            }
        }
        if (shop == nullptr) {
            error = wanted.empty() ? "choose a shop with shop=ID (see --catalogue)"
                                   : "no shop has the id \"" + wanted + "\" (see --catalogue)";
            return false;
        }
        out.shopName = shop->name;
    }

    // The payment method, by id or by name.
    std::string payment = Get(v, "payment");
    int shopPayment = -1;
    int method = -1;
    for (int i = 0; i < docs.GetPaymentCount(); ++i) {
        wizard::PaymentMethod m = docs.GetPayment(i);
        int id = wizard::LeadingDigits(m.id);
        // So that a card number of another card than the one chosen is named.
        e.methods.emplace_back(id, m.name);
        if (id == wizard::kShopPaymentMethod) {
            shopPayment = id;
        }
        if (!payment.empty() && (m.id == payment || Lower(m.name) == Lower(payment))) {
            method = id;
        }
    }
    if (e.shopCollection && shopPayment != -1) {
        method = shopPayment;
    } else if (method == -1) {
        error = payment.empty() ? "choose a payment method with payment=ID (see --catalogue)"
                                : "the catalogue has no payment method \"" + payment + "\"";
        return false;
    } else if (!e.shopCollection && method == wizard::kShopPaymentMethod) {
        error = "payment at the shop is only for collection at a shop (delivery=shop)";
        return false;
    }
    e.paymentMethodId = method;

    e.firstName = r.firstname = Get(v, "firstname");
    e.lastName = r.lastname = Get(v, "lastname");
    e.address = r.address1 = Get(v, "address1");
    r.address2 = Get(v, "address2");
    e.city = r.city = Get(v, "city");
    r.country = CountryName(docs, Get(v, "country"));
    r.state = Get(v, "state");
    e.postcode = r.zip = Get(v, "zip");
    r.phone = Get(v, "phone");
    e.email = r.email = Get(v, "email");
    r.customernumber = Get(v, "customernumber");

    wizard::TypedShipping typed;
    e.shippingName = typed.name = Get(v, "shipping.name");
    e.shippingAddress = typed.address1 = Get(v, "shipping.address1");
    typed.address2 = Get(v, "shipping.address2");
    e.shippingCity = typed.city = Get(v, "shipping.city");
    typed.country = CountryName(docs, Get(v, "shipping.country"));
    typed.state = Get(v, "shipping.state");
    e.shippingPostcode = typed.zip = Get(v, "shipping.zip");
    typed.phone = Get(v, "shipping.phone");
    wizard::ApplyDeliveryRule(
        r, e.shopCollection ? wizard::DeliveryMode::Shop : wizard::DeliveryMode::Home,
        e.sameAsBilling, typed, shop);

    const bool card = wizard::IsCardMethod(method);
    r.cctype = std::to_string(method);
    // A method without a card sends no card number, as the page empties it;
    // a card number goes as digits, without the blanks or dashes typed.
    e.cardNumber = r.ccnumber = card ? wizard::CardNumberDigits(Get(v, "ccnumber")) : std::string();
    e.nameOnCard = r.nameoncard = Get(v, "nameoncard");
    e.startMonth = r.ccstartmonth = Get(v, "ccstartmonth");
    e.startYear = r.ccstartyear = Get(v, "ccstartyear");
    e.expiryMonth = r.ccexpiremonth = Get(v, "ccexpiremonth");
    e.expiryYear = r.ccexpireyear = Get(v, "ccexpireyear");
    e.issueNo = r.issueno = Get(v, "issueno");
    e.securityCode = r.securitycode = Get(v, "securitycode");
    r.vouchercode = Get(v, "vouchercode");
    r.promocode = Get(v, "promocode");
    return true;
}

}  // namespace orlavo::order
