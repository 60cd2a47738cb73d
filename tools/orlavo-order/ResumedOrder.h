#pragma once
// An interrupted order as orlavo-order takes it up again: its details in the
// form of the details file, so that the rest of the order carries what its
// first photos carried. The card is given again, as for any order.

#include <map>
#include <string>

#include "wizard/customer/CustomerDetails.h"

namespace orlavo::order {

// The keys of a details file for RECORD (a journal's details, without card
// data): the billing and shipping texts as they were sent, the shop by its
// id for a collection, the payment method by its id, the codes.
std::map<std::string, std::string> DetailValuesOf(const wizard::CustomerDetails& record);

}  // namespace orlavo::order
