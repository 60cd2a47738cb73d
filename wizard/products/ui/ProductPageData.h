#pragma once
// What the product page's windows share: the application's order and
// thumbnails, the catalogue's products read once, the selectors' lists and
// the columns that the blocks' headers and the rows line up on.

#include <QRect>
#include <QStringListModel>
#include <array>

#include "wizard/products/ProductTable.h"

class CWizardApp;
class QFontMetrics;
class QObject;
class QValidator;

// A row's columns, left to right.
enum class RowColumn {
    Quantity,
    Name,
    ZoomTrim,
    Quality,
    Price,
    Total,
    Warning,
    DeleteMark,
    Count
};

class ProductPageData {
public:
    explicit ProductPageData(CWizardApp& app);
    ProductPageData(const ProductPageData&) = delete;
    ProductPageData& operator=(const ProductPageData&) = delete;

    // Reads the catalogue's products and fills the product list.
    void loadCatalogue();

    // The columns of a row WIDTH by HEIGHT pixels; the name takes what is left.
    std::array<QRect, static_cast<int>(RowColumn::Count)> columns(int width, int height) const;
    int rowHeight() const { return rowHeight_; }

    CWizardApp& app;
    orlavo::wizard::ProductTable table;
    // The selectors' entries: each product with its unit price.
    QStringListModel productChoices;
    QStringListModel quantities;  // "1" to "100"

private:
    void measure();

    std::array<int, static_cast<int>(RowColumn::Count)> widths_{};
    int rowHeight_ = 22;
};

// The quantity fields take digits only, a few of them.
QValidator* MakeQuantityValidator(QObject* parent);
