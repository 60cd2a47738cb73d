#pragma once
// Turns the details given to orlavo-order into what the details step would
// have built: the entries its checks read and the customer record.

#include <map>
#include <string>

#include "wizard/catalogue/CXmlDocuments.h"
#include "wizard/catalogue/ShopRecord.h"
#include "wizard/customer/CustomerDetails.h"
#include "wizard/customer/DetailsValidation.h"

namespace orlavo::order {

struct ResolvedDetails {
    wizard::DetailsEntries entries;
    wizard::CustomerDetails record;
    std::string shopName;  // empty for home delivery
};

// Resolves the payment method (id or name), the delivery (home or shop, the
// shop by its id), the countries (the first catalogue name that begins with
// the given text, case folded; the first country when empty) and fills the
// record by the delivery rule. Shop collection takes the shop payment
// method (id 9) when the catalogue has one, as the details page does; home
// delivery does not offer it. False with ERROR when something cannot be
// resolved; the checks of the details step are not made here.
bool ResolveDetails(const std::map<std::string, std::string>& values,
                    const wizard::CXmlDocuments& docs, const wizard::ShopList& shops,
                    ResolvedDetails& out, std::string& error);

}  // namespace orlavo::order
