#include "wizard/products/ProductTable.h"

#include "wizard/catalogue/CXmlDocuments.h"

namespace orlavo::wizard {

ProductTable ProductTable::FromCatalogue(const CXmlDocuments& xml) {
    ProductTable table;
    const int n = xml.GetProductCount();
    table.products.reserve(static_cast<std::size_t>(n > 0 ? n : 0));
    for (int i = 0; i < n; ++i) {
        const auto [x, y] = xml.GetProductSize(i);
        table.products.push_back({xml.GetProductName(i), xml.GetProductPrice(i), x, y});
    }
    table.currency = xml.GetCurrency();
    return table;
}

std::string ProductTable::priceText(int product) const {
    if (product < 0 || product >= count())
        return {};
    return products[static_cast<std::size_t>(product)].priceText;
}

}  // namespace orlavo::wizard
