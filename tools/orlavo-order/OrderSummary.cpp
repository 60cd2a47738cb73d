#include "tools/orlavo-order/OrderSummary.h"

#include "resources/WizardResources.h"
#include "wizard/customer/DetailsValidation.h"
#include "wizard/transmission/TransferManifest.h"

namespace orlavo::order {

namespace {

using transmission::GetPaymentValue;
using transmission::GetShippingValue;
using transmission::GetUserValue;

std::string OrNone(const std::string& code) {
    return code.empty() ? wizard::Str(175) : code;
}

void Row(std::string& out, const std::string& label, const std::string& value) {
    out += "  " + label;
    if (label.size() < 24) {
        out.append(24 - label.size(), ' ');
    }
    out += value + "\n";
}

void Line(std::string& out, const std::string& text) {
    if (!text.empty()) {
        out += "  " + text + "\n";
    }
}

// City, state and postcode on one line, without the gaps of empty ones.
std::string Place(const std::string& city, const std::string& state, const std::string& zip) {
    std::string out;
    for (const std::string* part : {&city, &state, &zip}) {
        if (!part->empty()) {
            out += (out.empty() ? "" : " ") + *part;
        }
    }
    return out;
}

}  // namespace

std::string SummaryText(const wizard::CXmlDocuments& docs,
                        const transmission::PriceQuoteInfo& quote, std::string_view shopName) {
    std::string out;
    out += wizard::Str(3502) + "\n";
    Row(out, wizard::Str(3501), transmission::GetCardTypeName(docs));
    const int method = transmission::GetCardTypeId(docs);
    const std::string voucher = OrNone(GetPaymentValue(docs, "vouchercode"));
    const std::string promo = OrNone(GetPaymentValue(docs, "promocode"));
    if (wizard::IsCardMethod(method)) {
        Row(out, wizard::Str(194), GetPaymentValue(docs, "nameoncard"));
        Row(out, wizard::Str(195), SummaryCardNumber(GetPaymentValue(docs, "ccnumber")));
    }
    Row(out, wizard::Str(196), voucher);
    Row(out, wizard::Str(197), promo);

    out += wizard::Str(3503) + "\n";
    Line(out, GetUserValue(docs, "firstname") + " " + GetUserValue(docs, "lastname"));
    Line(out, GetUserValue(docs, "address1"));
    Line(out, GetUserValue(docs, "address2"));
    Line(out,
         Place(GetUserValue(docs, "city"), GetUserValue(docs, "state"), GetUserValue(docs, "zip")));
    Line(out, docs.billingCountryName);
    Line(out, GetUserValue(docs, "phone"));

    out += wizard::Str(3504) + "\n";
    Line(out, std::string(shopName));
    Line(out, GetShippingValue(docs, "name"));
    Line(out, GetShippingValue(docs, "address1"));
    Line(out, GetShippingValue(docs, "address2"));
    Line(out, Place(GetShippingValue(docs, "city"), GetShippingValue(docs, "state"),
                    GetShippingValue(docs, "zip")));
    Line(out, docs.shippingCountryName);
    Line(out, GetShippingValue(docs, "phone"));

    const std::string currency = docs.GetCurrency();
    out += wizard::Str(3505) + "\n";
    Row(out, wizard::Str(1074), quote.subprice + " " + currency);
    Row(out, wizard::Str(3506), quote.shipping + " " + currency);
    Row(out, wizard::Str(3507), SummaryDiscount(quote.discount, currency));
    Row(out, wizard::Str(3508), quote.totalprice + " " + currency);
    if (wizard::LeadingDigits(quote.numfreeprints) > 0) {
        out +=
            "  " + wizard::Str(3509) + " " + quote.numfreeprints + " " + wizard::Str(3510) + "\n";
    }
    if (!quote.msg.empty()) {
        out += wizard::Str(3511) + "\n";
        Line(out, quote.msg);
    }
    return out;
}

std::string OrderFailureText(const std::string& message) {
    if (message == "INVALID_CREDIT_CARD") {
        return wizard::Str(154);
    }
    if (message == "UNABLE_SEND_ORDER") {
        return wizard::Str(155);
    }
    return message;
}

}  // namespace orlavo::order
