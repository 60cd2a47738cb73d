#pragma once
// What step 4 lists of the order itself: one line per photo and product with
// its quantity, unit price and exact line total, and the address the lab
// writes to.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "wizard/catalogue/CXmlDocuments.h"
#include "wizard/photos/OrderModel.h"
#include "wizard/products/ProductTable.h"

namespace orlavo::transmission {

struct BoughtLine {
    std::size_t photo = 0;  // index in the order
    std::string path;
    std::string fileName;  // the last part of the path
    std::string product;   // the product's display name
    std::int32_t quantity = 0;
    std::string unitPrice;        // "0.25 GBP"
    std::string lineTotal;        // "0.75 GBP"
    std::int64_t totalMinor = 0;  // the line total in hundredths
};

// In photo order, then catalogue order; only lines with a quantity.
std::vector<BoughtLine> BoughtLines(const wizard::OrderModel& order,
                                    const wizard::ProductTable& table);

// The e-mail address of the customer's details, as entered in step 3.
std::string CustomerEmail(const wizard::CXmlDocuments& docs);

}  // namespace orlavo::transmission
