#include "wizard/products/ProductLines.h"

#include "common/NumberText.h"
#include "common/TextRules.h"
#include "resources/WizardResources.h"
#include "wizard/products/PriceFormat.h"
#include "wizard/products/QualityRating.h"

namespace orlavo::wizard {

std::vector<std::string> QuantityChoices() {
    std::vector<std::string> choices;
    choices.reserve(100);
    for (int i = 1; i <= 100; ++i)
        choices.push_back(std::to_string(i));
    return choices;
}

bool AskBeforeQuantity(std::int32_t from, std::int32_t to) {
    return to > kQuantityAskAbove && from <= kQuantityAskAbove;
}

std::string ProductChoiceText(const ProductInfo& product, std::string_view currency) {
    if (product.priceText.empty())
        return product.name;
    return product.name + " - " + PriceWithCurrency(product.priceText, currency);
}

std::int32_t QuantityFromText(std::string_view text) {
    return LeadingInt(text);
}

std::vector<int> LineProducts(const SelectedPhoto& photo) {
    std::vector<int> products;
    for (std::size_t j = 0; j < photo.orderLines.size(); ++j)
        if (photo.orderLines[j].quantity > 0)
            products.push_back(static_cast<int>(j));
    return products;
}

RowTexts MakeRowTexts(const SelectedPhoto& photo, int product, const ProductTable& table) {
    RowTexts texts;
    const auto j = static_cast<std::size_t>(product);
    if (product < 0 || j >= photo.orderLines.size() || product >= table.count())
        return texts;
    const ProductInfo& info = table.products[j];
    texts.quantity = std::to_string(photo.orderLines[j].quantity);
    texts.name = info.name;
    texts.quality = QualityText(RateQuality(photo.width, photo.height, info.xDim));
    texts.price = PriceWithCurrency(info.priceText, table.currency);
    texts.total = FormatHundredths(LineHundredths(info.priceText, photo.orderLines[j].quantity)) +
                  " " + table.currency;
    return texts;
}

bool AddToEveryPhoto(OrderModel& order, int product, std::int32_t quantity) {
    if (quantity < 1 || product < 0 || product >= order.productCount())
        return false;
    for (std::size_t i = 0; i < order.PhotoCount(); ++i)
        order.SetQuantity(i, product, quantity);
    SettleAllLines(order);
    return true;
}

void SettleAllLines(OrderModel& order) {
    for (std::size_t i = 0; i < order.PhotoCount(); ++i)
        for (int j : LineProducts(order.photos()[i]))
            order.SettleZoomTrim(i, j);
}

void SetZoomTrimOfAllLines(OrderModel& order, bool on) {
    order.setZoomAndTrimAll(on ? 1 : 0);
    for (std::size_t i = 0; i < order.PhotoCount(); ++i)
        for (int j : LineProducts(order.photos()[i]))
            order.SetZoomTrim(i, j, on ? 1 : 0);
}

std::string PhotosWithoutPrints(const OrderModel& order, std::size_t shown) {
    std::string names;
    std::size_t count = 0;
    for (const SelectedPhoto& photo : order.photos()) {
        if (photo.hasAnyLine()) {
            continue;
        }
        if (++count > shown) {
            continue;
        }
        const std::size_t slash = photo.path.find_last_of('/');
        names += (names.empty() ? "" : ", ") +
                 (slash == std::string::npos ? photo.path : photo.path.substr(slash + 1));
    }
    if (count <= shown) {
        return names;
    }
    return FillPlaceholders(Str(3391), {names, std::to_string(count - shown)});
}

std::string SubtotalText(const OrderModel& order, const ProductTable& table) {
    const std::int64_t sum =
        order.Subtotal([&table](int product) { return table.priceText(product); });
    return FormatHundredths(sum) + " " + table.currency;
}

}  // namespace orlavo::wizard
