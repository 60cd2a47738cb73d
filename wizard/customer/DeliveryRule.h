#pragma once
// Where the prints go: fields 12 to 20 of the customer record, from the
// delivery mode, the "same as billing" choice and the chosen shop.

#include <string>

#include "wizard/catalogue/ShopRecord.h"
#include "wizard/customer/CustomerDetails.h"

namespace orlavo::wizard {

enum class DeliveryMode { Home = 0, Shop = 1 };

// The shipping fields as typed on the page (kept even while not shown).
struct TypedShipping {
    std::string name;
    std::string address1;
    std::string address2;
    std::string city;
    std::string country;
    std::string state;
    std::string zip;
    std::string phone;
};

// Fills storeid and the shipping fields of RECORD, whose billing fields are
// set already. Shop collection takes the address of SHOP (an empty one when
// null) whatever "same as billing" says; the name follows "same as billing"
// in both modes: first name, one blank, last name.
void ApplyDeliveryRule(CustomerDetails& record, DeliveryMode mode, bool sameAsBilling,
                       const TypedShipping& typed, const ShopRecord* shop);

}  // namespace orlavo::wizard
