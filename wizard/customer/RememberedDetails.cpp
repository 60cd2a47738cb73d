#include "wizard/customer/RememberedDetails.h"

#include <array>
#include <utility>

#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "wizard/customer/EnteredText.h"

namespace orlavo::wizard {

namespace {

using orlavo::section::kShippingDetails;
using orlavo::section::kUserDetails;
using R = RememberedDetails;
using T = TypedShipping;

constexpr std::array<std::pair<std::string_view, std::string R::*>, 11> kBilling{{
    {"FirstName", &R::firstName},
    {"LastName", &R::lastName},
    {"Address", &R::address},
    {"Address2", &R::address2},
    {"Town", &R::town},
    {"State", &R::state},
    {"PostCode", &R::postCode},
    {"Country", &R::country},
    {"Phone", &R::phone},
    {"Email", &R::email},
    {"CustomerNumber", &R::customerNumber},
}};

constexpr std::array<std::pair<std::string_view, std::string T::*>, 8> kShipping{{
    {"ShippingName", &T::name},
    {"ShippingAddress", &T::address1},
    {"ShippingAddress2", &T::address2},
    {"ShippingCity", &T::city},
    {"ShippingState", &T::state},
    {"ShippingPostCode", &T::zip},
    {"ShippingCountry", &T::country},
    {"ShippingPhone", &T::phone},
}};

// Collects the first failure of a run of writes.
struct Writes {
    RegistryStore& store;
    std::string error;
    void note(bool ok) {
        if (!ok && error.empty()) {
            error = store.lastError().empty() ? std::string("?") : store.lastError();
        }
    }
};

}  // namespace

RememberedDetails ReadRememberedDetails(RegistryStore& store) {
    RememberedDetails d;
    d.remember = store.getNumber(kUserDetails, "Remember") != 0;
    if (d.remember) {
        for (const auto& [name, member] : kBilling) {
            d.*member = CleanEnteredText(store.getText(kUserDetails, name));
        }
        for (const auto& [name, member] : kShipping) {
            d.shipping.*member = CleanEnteredText(store.getText(kShippingDetails, name));
        }
    }
    d.delivery =
        store.getNumber(kUserDetails, "Shop") == 0 ? DeliveryMode::Home : DeliveryMode::Shop;
    d.shopNumber = store.getNumber(kUserDetails, "ShopNumber");
    d.sameAsBilling = store.getNumber(kUserDetails, "ShippingAsBilling") != 0;
    return d;
}

std::string StoreRememberedDetails(RegistryStore& store, const RememberedDetails& d,
                                   std::string_view dealerNumber) {
    Writes w{store, {}};
    const std::string none;
    w.note(store.setNumber(kUserDetails, "Remember", d.remember ? 1 : 0));
    for (const auto& [name, member] : kBilling) {
        w.note(store.setText(kUserDetails, name, d.remember ? d.*member : none));
    }
    w.note(store.setNumber(kUserDetails, "ShippingAsBilling", d.sameAsBilling ? 1 : 0));
    w.note(store.setText(kUserDetails, "DealerNumber", dealerNumber));
    for (const auto& [name, member] : kShipping) {
        w.note(store.setText(kShippingDetails, name, d.remember ? d.shipping.*member : none));
    }
    w.note(store.setNumber(kUserDetails, "Shop", static_cast<int>(d.delivery)));
    w.note(store.setNumber(kUserDetails, "ShopNumber", d.shopNumber));
    return w.error;
}

}  // namespace orlavo::wizard
