#include "wizard/products/ui/ProductPageData.h"

#include <QApplication>
#include <QFontMetrics>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <algorithm>

#include "resources/WizardResources.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/products/PriceFormat.h"
#include "wizard/products/ProductLines.h"

namespace {

QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
}

constexpr int kStrTotal = 3380;

int TextWidth(const QFontMetrics& fm, const QString& text) {
    return fm.horizontalAdvance(text);
}

}  // namespace

ProductPageData::ProductPageData(CWizardApp& app) : app(app) {
    QStringList choices;
    for (const std::string& q : orlavo::wizard::QuantityChoices())
        choices << QString::fromStdString(q);
    quantities.setStringList(choices);
    measure();
}

void ProductPageData::loadCatalogue() {
    table = orlavo::wizard::ProductTable::FromCatalogue(app.xml);
    QStringList names;
    for (const orlavo::wizard::ProductInfo& p : table.products)
        names << QString::fromStdString(orlavo::wizard::ProductChoiceText(p, table.currency));
    productChoices.setStringList(names);
    measure();
}

void ProductPageData::measure() {
    const QFontMetrics fm(QApplication::font());
    QFont boldFont = QApplication::font();
    boldFont.setBold(true);
    // The headers are bold.
    const QFontMetrics bold(boldFont);
    const int pad = 14;
    auto col = [this](RowColumn c) -> int& { return widths_[static_cast<int>(c)]; };
    // The quantity is a spin box: six digits, its padding and its arrows
    // (the style sheet gives them 6 and 22 pixels), no more, so that the
    // product's name keeps its room.
    QSpinBox spin;
    spin.ensurePolished();
    col(RowColumn::Quantity) =
        std::max(TextWidth(bold, S(1127)) + pad, TextWidth(fm, "999999") + 6 + 22 + 10);
    col(RowColumn::ZoomTrim) = TextWidth(bold, S(1128)) + pad;
    int quality = TextWidth(bold, S(1071));
    for (int id = 125; id <= 129; ++id)
        quality = std::max(quality, TextWidth(fm, S(id)));
    col(RowColumn::Quality) = quality + pad;
    int price = std::max(TextWidth(bold, S(1072)),
                         TextWidth(fm, "00.00 " + QString::fromStdString(table.currency)));
    for (const orlavo::wizard::ProductInfo& p : table.products)
        price =
            std::max(price, TextWidth(fm, QString::fromStdString(orlavo::wizard::PriceWithCurrency(
                                              p.priceText, table.currency))));
    // A long price text from the server must not push the name out of sight.
    col(RowColumn::Price) = std::min(price, TextWidth(fm, "0000000.00 WWW")) + pad;
    // A line total of up to 999999 prints of the dearest product.
    col(RowColumn::Total) =
        std::max(TextWidth(bold, S(kStrTotal)),
                 std::min(price + TextWidth(fm, "000000"), TextWidth(fm, "000000000.00 WWW"))) +
        pad;
    rowHeight_ = std::max({22, fm.height() + 8, spin.sizeHint().height() + 2});
    col(RowColumn::Warning) = rowHeight_ - 4;
    col(RowColumn::DeleteMark) = rowHeight_ + 2;
}

std::array<QRect, static_cast<int>(RowColumn::Count)> ProductPageData::columns(int width,
                                                                               int height) const {
    int fixed = 0;
    for (int i = 0; i < static_cast<int>(RowColumn::Count); ++i)
        if (i != static_cast<int>(RowColumn::Name))
            fixed += widths_[i];
    const int name = std::max(width - fixed, 40);
    std::array<QRect, static_cast<int>(RowColumn::Count)> rects;
    int x = 0;
    for (int i = 0; i < static_cast<int>(RowColumn::Count); ++i) {
        const int w = i == static_cast<int>(RowColumn::Name) ? name : widths_[i];
        rects[i] = QRect(x, 0, w, height);
        x += w;
    }
    return rects;
}

QValidator* MakeQuantityValidator(QObject* parent) {
    return new QRegularExpressionValidator(
        QRegularExpression(QString("[0-9]{0,%1}").arg(orlavo::wizard::kQuantityDigits)), parent);
}
