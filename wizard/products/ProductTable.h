#pragma once
// The catalogue's products as the product page shows them, read once: the
// catalogue does not change while the wizard runs, and the page asks for
// every product's name, price and size for every row it shows.

#include <string>
#include <vector>

namespace orlavo::wizard {

class CXmlDocuments;

struct ProductInfo {
    std::string name;       // display name (prod_description, else name)
    std::string priceText;  // as the catalogue writes it, e.g. ".25"
    int xDim = 0;           // print's long side in millimetres
    int yDim = 0;           // print's short side in millimetres
};

struct ProductTable {
    std::vector<ProductInfo> products;  // in catalogue order
    std::string currency;

    static ProductTable FromCatalogue(const CXmlDocuments& xml);

    int count() const { return static_cast<int>(products.size()); }
    // The product's price text, empty for an index out of range.
    std::string priceText(int product) const;
};

}  // namespace orlavo::wizard
