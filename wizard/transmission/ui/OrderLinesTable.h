#pragma once
// Step 4's list of what is bought: one row per photo and product with a
// small thumbnail and the file's name, the product, the quantity, the unit
// price and the line's total. Every column is as wide as its longest text;
// the product takes what room is left.

#include <QTableWidget>
#include <vector>

#include "wizard/transmission/OrderLinesSummary.h"

namespace orlavo::wizard {
class ThumbnailList;
}

class OrderLinesTable : public QTableWidget {
    Q_OBJECT
public:
    enum Column { kPhoto, kProduct, kQuantity, kUnitPrice, kTotal, kColumns };

    explicit OrderLinesTable(QWidget* parent = nullptr);

    // Shows LINES, each with its photo's thumbnail from THUMBNAILS.
    void showLines(const std::vector<orlavo::transmission::BoughtLine>& lines,
                   const orlavo::wizard::ThumbnailList& thumbnails);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
};
