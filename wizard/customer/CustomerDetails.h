#pragma once
// Everything the details page collected about the customer, the delivery and
// the payment, handed to the order manifest in one record. 31 texts in the
// order the manifest receives them; a field that does not apply is empty.
//
// The card number and security code live only in memory: nothing that
// stores or logs texts may be given this record.

#include <span>
#include <string>
#include <string_view>

namespace orlavo::wizard {

struct CustomerDetails {
    // user
    std::string firstname;
    std::string lastname;
    std::string address1;
    std::string address2;
    std::string city;
    std::string country;  // the display name; the manifest turns it into the code
    std::string state;
    std::string zip;
    std::string phone;
    std::string email;
    std::string customernumber;
    // shipping
    std::string storeid;  // the chosen shop's id (not its storeid) when collected
    std::string shippingName;
    std::string shippingAddress1;
    std::string shippingAddress2;
    std::string shippingCity;
    std::string shippingCountry;  // display name
    std::string shippingState;
    std::string shippingZip;
    std::string shippingPhone;
    // payment
    std::string cctype;  // the payment method's id, decimal
    std::string ccnumber;
    std::string ccstartmonth;
    std::string ccstartyear;
    std::string ccexpiremonth;
    std::string ccexpireyear;
    std::string nameoncard;
    std::string issueno;
    std::string securitycode;
    std::string vouchercode;
    std::string promocode;
};

// One field: the manifest element it goes to, its attribute name there, and
// where it is in the record.
struct CustomerField {
    std::string_view element;    // "user", "shipping" or "payment"
    std::string_view attribute;  // "firstname", ..., "promocode"
    std::string CustomerDetails::*member;
};

// All 31 fields in record order.
std::span<const CustomerField> CustomerFields();

}  // namespace orlavo::wizard
