#pragma once
// One selected photo on the product page: its thumbnail with the file's name
// below, its own product and quantity selectors with "Set" (the line of that
// product gets that quantity), the column headers, and its rows, one per
// product line, in a scrolling panel of their own. A click on the thumbnail
// (or Space on a row) asks for the print preview.

#include <QImage>
#include <QList>
#include <QStringList>
#include <QWidget>

#include "wizard/products/ui/ProductPageData.h"

class QComboBox;
class DrawnButton;
class QPushButton;
class ProductRow;
class StackPanel;

class PhotoProductBlock : public QWidget {
    Q_OBJECT
public:
    PhotoProductBlock(ProductPageData& data, QWidget* parent = nullptr);

    // Shows PHOTO (an index of the order) afresh: selectors on their first
    // entries, one row per line.
    void bind(int photo);
    int photo() const { return photo_; }

    // Sets the photo's line of PRODUCT to QUANTITY (0 removes it), then
    // shows the lines again.
    void setLine(int product, int quantity);
    // Shows the photo's lines again, reusing the rows that are there.
    void showLines();
    // "Zoom and Trim All": every row's box shows ON.
    void setZoomTrimBoxes(bool on);

    int rowCount() const;
    ProductRow* row(int index) const;
    StackPanel* rowsPanel() const { return rows_; }
    QComboBox* productSelector() const { return product_; }
    QComboBox* quantitySelector() const { return quantity_; }
    QPushButton* addButton() const { return add_; }
    // The column headers, left to right.
    static QStringList headerTexts();
    // Where the photo's thumbnail is drawn.
    QRect thumbnailRect() const;
    // Where the file's name is drawn, and the name (cut short to fit there;
    // the tooltip over it gives the whole path).
    QRect fileNameRect() const;
    QString fileNameShown() const;
    QString fileNameToolTip() const;
    // The controls in the order Tab visits them.
    QList<QWidget*> focusChain() const;

signals:
    // The photo's lines changed (the subtotal is due).
    void linesChanged();
    // Rows were made or removed (the order Tab visits them changed).
    void rowsChanged();
    // The user asked to see the photo's prints, PRODUCT's first (-1: any).
    void previewRequested(int photo, int product);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onAdd();
    void placeControls();
    int productWidth() const;
    int quantityWidth() const;

    ProductPageData& data_;
    int photo_ = -1;
    QImage thumbnail_;
    QString fileName_;
    QString path_;
    QComboBox* product_;
    QComboBox* quantity_;
    QPushButton* add_;
    DrawnButton* preview_;  // over the thumbnail
    QRect band_;            // the header band
    StackPanel* rows_;
};
