#include "wizard/customer/DeliveryRule.h"

namespace orlavo::wizard {

void ApplyDeliveryRule(CustomerDetails& r, DeliveryMode mode, bool sameAsBilling,
                       const TypedShipping& typed, const ShopRecord* shop) {
    r.shippingName = sameAsBilling ? r.firstname + " " + r.lastname : typed.name;
    if (mode == DeliveryMode::Shop) {
        const ShopRecord none;
        const ShopRecord& s = shop != nullptr ? *shop : none;
        r.storeid = s.id;
        r.shippingAddress1 = s.address1;
        r.shippingAddress2 = s.address2;
        r.shippingCity = s.city;
        r.shippingCountry = s.country;
        r.shippingState = s.state;
        r.shippingZip = s.postcode;
        r.shippingPhone = s.phone;
        return;
    }
    r.storeid.clear();
    if (sameAsBilling) {
        r.shippingAddress1 = r.address1;
        r.shippingAddress2 = r.address2;
        r.shippingCity = r.city;
        r.shippingCountry = r.country;
        r.shippingState = r.state;
        r.shippingZip = r.zip;
        r.shippingPhone = r.phone;
    } else {
        r.shippingAddress1 = typed.address1;
        r.shippingAddress2 = typed.address2;
        r.shippingCity = typed.city;
        r.shippingCountry = typed.country;
        r.shippingState = typed.state;
        r.shippingZip = typed.zip;
        r.shippingPhone = typed.phone;
    }
}

}  // namespace orlavo::wizard
