#include "wizard/transmission/OrderSummaryValues.h"

#include "common/NumberText.h"
#include "resources/WizardResources.h"
#include "wizard/customer/DetailsValidation.h"
#include "wizard/transmission/TransferManifest.h"

namespace orlavo::transmission {

namespace {

std::string OrNone(std::string code) {
    return code.empty() ? wizard::Str(175) : code;
}

}  // namespace

std::string SummaryCardNumber(std::string_view number) {
    return MaskCardNumber(number);
}

std::string SummaryDiscount(std::string_view amount, std::string_view currency) {
    const std::size_t first = amount.find_first_not_of(" \t");
    // Nothing to take off: shown as the lab sent it.
    if (first == std::string_view::npos || amount[first] == '-' || LeadingHundredths(amount) == 0) {
        return SummaryAmount(amount, currency);
    }
    std::string reduced(amount);
    if (reduced[first] == '+') {
        reduced[first] = '-';
    } else {
        reduced.insert(first, 1, '-');
    }
    return SummaryAmount(reduced, currency);
}

std::string SummaryAmount(std::string_view amount, std::string_view currency) {
    std::string text(amount);
    text += ' ';
    text += currency;
    return text;
}

bool FreePrintsShown(std::string_view numFreePrints) {
    return LeadingInt(numFreePrints) > 0;
}

OrderSummaryValues ReadOrderSummary(const wizard::CXmlDocuments& docs, const PriceQuoteInfo& quote,
                                    std::string_view shopName) {
    OrderSummaryValues v;
    v.paymentMethod = GetCardTypeName(docs);
    v.cardMethod = wizard::IsCardMethod(GetCardTypeId(docs));
    const std::string voucher = OrNone(GetPaymentValue(docs, "vouchercode"));
    const std::string promo = OrNone(GetPaymentValue(docs, "promocode"));
    if (v.cardMethod) {
        v.paymentRows = {
            SummaryRow{wizard::Str(194), GetPaymentValue(docs, "nameoncard")},
            SummaryRow{wizard::Str(195), SummaryCardNumber(GetPaymentValue(docs, "ccnumber"))},
            SummaryRow{wizard::Str(196), voucher}, SummaryRow{wizard::Str(197), promo}};
    } else {
        v.paymentRows = {SummaryRow{wizard::Str(196), voucher}, SummaryRow{wizard::Str(197), promo},
                         SummaryRow{}, SummaryRow{}};
    }

    v.billingName = GetUserValue(docs, "firstname") + " " + GetUserValue(docs, "lastname");
    v.billingAddress1 = GetUserValue(docs, "address1");
    v.billingAddress2 = GetUserValue(docs, "address2");
    v.billingCity = GetUserValue(docs, "city");
    v.billingState = GetUserValue(docs, "state");
    v.billingZip = GetUserValue(docs, "zip");
    v.billingCountry = docs.billingCountryName;
    v.billingPhone = GetUserValue(docs, "phone");

    v.shopName = std::string(shopName);
    v.shippingName = GetShippingValue(docs, "name");
    v.shippingAddress1 = GetShippingValue(docs, "address1");
    v.shippingAddress2 = GetShippingValue(docs, "address2");
    v.shippingCity = GetShippingValue(docs, "city");
    v.shippingState = GetShippingValue(docs, "state");
    v.shippingZip = GetShippingValue(docs, "zip");
    v.shippingCountry = docs.shippingCountryName;
    v.shippingPhone = GetShippingValue(docs, "phone");

    const std::string currency = docs.GetCurrency();
    v.subtotal = SummaryAmount(quote.subprice, currency);
    v.postage = SummaryAmount(quote.shipping, currency);
    v.discount = SummaryDiscount(quote.discount, currency);
    v.total = SummaryAmount(quote.totalprice, currency);
    v.freePrints = quote.numfreeprints;
    v.freePrintsShown = FreePrintsShown(quote.numfreeprints);
    v.message = quote.msg;
    return v;
}

}  // namespace orlavo::transmission
