#include "wizard/customer/PaymentChoices.h"

#include "wizard/customer/DetailsValidation.h"

namespace orlavo::wizard {

std::vector<PaymentChoice> PaymentChoices(const CXmlDocuments& docs) {
    std::vector<PaymentChoice> choices;
    const int count = docs.GetPaymentCount();
    for (int i = 0; i < count; ++i) {
        PaymentMethod method = docs.GetPayment(i);
        choices.push_back({std::move(method.name), LeadingDigits(method.id)});
    }
    return choices;
}

int ShopPaymentIndex(const std::vector<PaymentChoice>& choices) {
    int index = -1;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (choices[i].id == kShopPaymentMethod) {
            index = static_cast<int>(i);
        }
    }
    return index;
}

}  // namespace orlavo::wizard
