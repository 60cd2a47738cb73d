#pragma once
// What the details step keeps in the settings store between orders: the
// billing and shipping texts when the user asks for it, and always the
// delivery choices and the dealer number. Payment details are never part of
// it.

#include <string>
#include <string_view>

#include "wizard/customer/DeliveryRule.h"

namespace orlavo {
class RegistryStore;
}

namespace orlavo::wizard {

struct RememberedDetails {
    bool remember = false;
    // UserDetails texts.
    std::string firstName;
    std::string lastName;
    std::string address;
    std::string address2;
    std::string town;
    std::string state;
    std::string postCode;
    std::string country;  // display name
    std::string phone;
    std::string email;
    std::string customerNumber;
    // ShippingDetails texts.
    TypedShipping shipping;
    // Kept whatever "remember" says.
    DeliveryMode delivery = DeliveryMode::Shop;
    int shopNumber = 0;
    bool sameAsBilling = false;
};

// The values as the page starts with them: the texts only when Remember is
// set (cleaned of what a field may not hold), the choices always.
RememberedDetails ReadRememberedDetails(RegistryStore& store);

// Stores DETAILS in the order the details step writes them: Remember, the
// billing texts (empty unless remembered), ShippingAsBilling, DealerNumber,
// the shipping texts (empty unless remembered), Shop, ShopNumber. The empty
// text on success, else the store's reason; every value is tried either way.
std::string StoreRememberedDetails(RegistryStore& store, const RememberedDetails& details,
                                   std::string_view dealerNumber);

}  // namespace orlavo::wizard
