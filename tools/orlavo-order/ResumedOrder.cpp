#include "tools/orlavo-order/ResumedOrder.h"

namespace orlavo::order {

std::map<std::string, std::string> DetailValuesOf(const wizard::CustomerDetails& r) {
    // The shipping texts go as typed, so the delivery rule gives them back
    // unchanged; a shop's address comes from the shop again.
    return {
        {"firstname", r.firstname},
        {"lastname", r.lastname},
        {"address1", r.address1},
        {"address2", r.address2},
        {"city", r.city},
        {"country", r.country},
        {"state", r.state},
        {"zip", r.zip},
        {"phone", r.phone},
        {"email", r.email},
        {"customernumber", r.customernumber},
        {"sameasbilling", "no"},
        {"delivery", r.storeid.empty() ? "home" : "shop"},
        {"shop", r.storeid},
        {"shipping.name", r.shippingName},
        {"shipping.address1", r.shippingAddress1},
        {"shipping.address2", r.shippingAddress2},
        {"shipping.city", r.shippingCity},
        {"shipping.country", r.shippingCountry},
        {"shipping.state", r.shippingState},
        {"shipping.zip", r.shippingZip},
        {"shipping.phone", r.shippingPhone},
        {"payment", r.cctype},
        {"vouchercode", r.vouchercode},
        {"promocode", r.promocode},
    };
}

}  // namespace orlavo::order
