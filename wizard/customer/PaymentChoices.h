#pragma once
// The payment methods the details page offers, as the catalogue lists them,
// each with the numeric id that gives it its meaning on the page.

#include <string>
#include <vector>

#include "wizard/catalogue/CXmlDocuments.h"

namespace orlavo::wizard {

struct PaymentChoice {
    std::string name;
    int id = -1;  // the catalogue's id text read as a decimal number
};

// Every payment method of the catalogue, in catalogue order.
std::vector<PaymentChoice> PaymentChoices(const CXmlDocuments& docs);

// The position of the (last) method with the shop-payment id 9; -1 when the
// catalogue has none.
int ShopPaymentIndex(const std::vector<PaymentChoice>& choices);

}  // namespace orlavo::wizard
