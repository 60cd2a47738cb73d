#include "wizard/customer/CustomerDetails.h"

#include <array>

namespace orlavo::wizard {

namespace {

using C = CustomerDetails;

constexpr std::array<CustomerField, 31> kFields{{
    {"user", "firstname", &C::firstname},
    {"user", "lastname", &C::lastname},
    {"user", "address1", &C::address1},
    {"user", "address2", &C::address2},
    {"user", "city", &C::city},
    {"user", "country", &C::country},
    {"user", "state", &C::state},
    {"user", "zip", &C::zip},
    {"user", "phone", &C::phone},
    {"user", "email", &C::email},
    {"user", "customernumber", &C::customernumber},
    {"shipping", "storeid", &C::storeid},
    {"shipping", "name", &C::shippingName},
    {"shipping", "address1", &C::shippingAddress1},
    {"shipping", "address2", &C::shippingAddress2},
    {"shipping", "city", &C::shippingCity},
    {"shipping", "country", &C::shippingCountry},
    {"shipping", "state", &C::shippingState},
    {"shipping", "zip", &C::shippingZip},
    {"shipping", "phone", &C::shippingPhone},
    {"payment", "cctype", &C::cctype},
    {"payment", "ccnumber", &C::ccnumber},
    {"payment", "ccstartmonth", &C::ccstartmonth},
    {"payment", "ccstartyear", &C::ccstartyear},
    {"payment", "ccexpiremonth", &C::ccexpiremonth},
    {"payment", "ccexpireyear", &C::ccexpireyear},
    {"payment", "nameoncard", &C::nameoncard},
    {"payment", "issueno", &C::issueno},
    {"payment", "securitycode", &C::securitycode},
    {"payment", "vouchercode", &C::vouchercode},
    {"payment", "promocode", &C::promocode},
}};

}  // namespace

std::span<const CustomerField> CustomerFields() {
    return kFields;
}

}  // namespace orlavo::wizard
