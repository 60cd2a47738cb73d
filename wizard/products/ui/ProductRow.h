#pragma once
// One product line of a photo: its quantity in a spin box, product name, the
// "Zoom and Trim" box, the quality rating in blue, the unit price, the line's
// total, and the red crossed circle
// that removes the line (so does Delete while the row or its box has focus).
// Between the price and the mark a warning sign stands when the line's trim
// cuts away much of the photo or its quality is poor; its tooltip says why.
// Space on the row asks for the print preview of its line.
//
// The box writes the line's zoomTrim and the spin box its quantity as soon as
// the user changes them (a quantity rising past 100 is asked about first).
// The texts are drawn by the row itself: a large order shows many rows.

#include <QColor>
#include <QString>
#include <QWidget>

#include "wizard/products/ui/ProductPageData.h"

class DrawnButton;
class QCheckBox;
class QSpinBox;

class ProductRow : public QWidget {
    Q_OBJECT
public:
    ProductRow(ProductPageData& data, QWidget* parent = nullptr);

    // Shows the line of PRODUCT for PHOTO; an undecided zoomTrim is settled
    // to "Zoom and Trim All" first.
    void bind(int product, int photo);
    int product() const { return product_; }
    int photo() const { return photo_; }

    // "Zoom and Trim All" sets the box; the line is the caller's to change.
    void setZoomTrimBox(bool on);

    QCheckBox* zoomTrimBox() const { return zoomTrim_; }
    QSpinBox* quantityBox() const { return quantityBox_; }
    // What the row shows (the name in full, even when it is cut short).
    const QString& quantityText() const { return quantity_; }
    const QString& nameText() const { return name_; }
    const QString& qualityText() const { return quality_; }
    const QString& priceText() const { return price_; }
    const QString& totalText() const { return total_; }
    // The rating's colour: blue.
    static QColor qualityColor() { return QColor(0, 0, 255); }
    // Where the delete mark is drawn and pressed, in the row's coordinates.
    QRect deleteMarkRect() const;
    // Where the warning sign is drawn.
    QRect warningRect() const;
    // Why the line is marked, one reason a line; empty when it is not.
    const QString& warningText() const { return warning_; }
    // What the tooltip says at POS (row coordinates): the warning over its
    // sign, the name in full where it is cut short.
    QString toolTipAt(QPoint pos) const;

signals:
    // The user asked to remove the line (delivered after the press is over).
    void deleteRequested(int product);
    // The user asked to see the line's print.
    void previewRequested(int product);
    // The user changed the line's quantity.
    void quantityChanged(int product);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void placeControls();
    void refreshWarning();
    void showTexts();
    void onQuantity(int quantity);

    ProductPageData& data_;
    int product_ = -1;
    int photo_ = -1;
    QString quantity_;
    QString name_;
    QString quality_;
    QString price_;
    QString total_;
    QString warning_;
    QString fullName_;  // the tooltip over a name cut short
    QCheckBox* zoomTrim_;
    QSpinBox* quantityBox_;
    DrawnButton* remove_;  // over the red crossed circle
};
