#include "wizard/transmission/OrderLinesSummary.h"

#include <filesystem>

#include "common/NumberText.h"
#include "wizard/products/PriceFormat.h"
#include "wizard/products/ProductLines.h"
#include "wizard/transmission/TransferManifest.h"

namespace orlavo::transmission {

std::vector<BoughtLine> BoughtLines(const wizard::OrderModel& order,
                                    const wizard::ProductTable& table) {
    std::vector<BoughtLine> lines;
    for (std::size_t i = 0; i < order.PhotoCount(); ++i) {
        const wizard::SelectedPhoto& photo = order.photos()[i];
        for (int j : wizard::LineProducts(photo)) {
            if (j >= table.count())
                continue;
            const wizard::ProductInfo& info = table.products[static_cast<std::size_t>(j)];
            BoughtLine line;
            line.photo = i;
            line.path = photo.path;
            line.fileName = std::filesystem::path(photo.path).filename().string();
            line.product = info.name;
            line.quantity = photo.orderLines[static_cast<std::size_t>(j)].quantity;
            line.unitPrice = wizard::PriceWithCurrency(info.priceText, table.currency);
            line.totalMinor = LineHundredths(info.priceText, line.quantity);
            line.lineTotal = wizard::FormatHundredths(line.totalMinor) + " " + table.currency;
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

std::string CustomerEmail(const wizard::CXmlDocuments& docs) {
    return GetUserValue(docs, "email");
}

}  // namespace orlavo::transmission
