#pragma once
// The product page's rules on the order: which rows a photo shows, what a
// row reads, the "Add" buttons, "Zoom and Trim All" and the subtotal.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wizard/photos/OrderModel.h"
#include "wizard/products/ProductTable.h"

namespace orlavo::wizard {

// The longest quantity that can be typed: with at most 197 photos, the
// per-product totals of the price request stay within 32 bits.
inline constexpr int kQuantityDigits = 6;

// The quantities offered by the selectors, "1" to "100". A larger one is
// asked about first: it is more than the selectors and Preferences offer.
inline constexpr std::int32_t kQuantityAskAbove = 100;

// Whether a line going from quantity FROM to TO asks the user first: when it
// rises past kQuantityAskAbove (once; a line already past it asks no more).
bool AskBeforeQuantity(std::int32_t from, std::int32_t to);
std::vector<std::string> QuantityChoices();

// A typed quantity read as its leading number; below 1 (empty, not a number)
// means "do nothing" to the "Add" buttons.
std::int32_t QuantityFromText(std::string_view text);

// The products with a line (quantity > 0) for the photo, in catalogue order:
// the photo's block shows one row for each.
std::vector<int> LineProducts(const SelectedPhoto& photo);

// What one row shows.
struct RowTexts {
    std::string quantity;  // "%d"
    std::string name;
    std::string quality;  // "Undefined", "Excellent", "Fine", "Medium", "Poor"
    std::string price;    // unit price and currency, "0.25 GBP"
    std::string total;    // quantity times unit price, exact, "0.75 GBP"
};
RowTexts MakeRowTexts(const SelectedPhoto& photo, int product, const ProductTable& table);

// A product as the selectors offer it, with its unit price:
// "6x4 in Gloss - 0.25 GBP"; the name alone when it has no price text.
std::string ProductChoiceText(const ProductInfo& product, std::string_view currency);

// The page's "Add": every photo's line of PRODUCT gets QUANTITY, replacing an
// earlier quantity of that product; other lines stay. False (and nothing
// changes) for a quantity below 1 or a product outside the catalogue.
bool AddToEveryPhoto(OrderModel& order, int product, std::int32_t quantity);

// Every line that exists and is still undecided takes zoomAndTrimAll, as it
// does when its row is first shown.
void SettleAllLines(OrderModel& order);

// "Zoom and Trim All": the state becomes zoomAndTrimAll and every existing
// line's zoomTrim.
void SetZoomTrimOfAllLines(OrderModel& order, bool on);

// The file names of the photos without any line, for a message: the first
// SHOWN of them, then "and N more" ("a.jpg, b.jpg, c.jpg and 4 more").
std::string PhotosWithoutPrints(const OrderModel& order, std::size_t shown = 3);

// The subtotal as shown: "1.50 GBP".
std::string SubtotalText(const OrderModel& order, const ProductTable& table);

}  // namespace orlavo::wizard
