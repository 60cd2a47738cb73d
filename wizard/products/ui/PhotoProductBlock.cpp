#include "wizard/products/ui/PhotoProductBlock.h"
#include "wizard/app/DrawnButton.h"
#include "wizard/app/ScreenReaderName.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolTip>
#include <filesystem>
#include <memory>

#include "resources/WizardResources.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/products/ProductLines.h"
#include "wizard/products/ui/ProductRow.h"
#include "wizard/products/ui/StackPanel.h"

namespace {

QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
}

constexpr int kMargin = 10;
constexpr int kThumb = 92;
constexpr int kRowsShown = 3;
constexpr int kStrPrintsOf = 3315;
constexpr int kStrSeePrints = 3316;
constexpr int kStrTotal = 3380;
constexpr int kStrSet = 3381;
constexpr int kStrAskQuantityAll = 3385;

}  // namespace

PhotoProductBlock::PhotoProductBlock(ProductPageData& data, QWidget* parent)
    : QWidget(parent), data_(data) {
    setObjectName("photoBlock");
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    product_ = new QComboBox(this);
    product_->setObjectName("blockProduct");
    product_->setModel(&data_.productChoices);
    product_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    NameForScreenReaders(product_, S(1070));
    quantity_ = new QComboBox(this);
    quantity_->setObjectName("blockQuantity");
    quantity_->setEditable(true);
    quantity_->setInsertPolicy(QComboBox::NoInsert);
    quantity_->setModel(&data_.quantities);
    quantity_->setValidator(MakeQuantityValidator(quantity_));
    NameForScreenReaders(quantity_, S(1127));
    quantity_->lineEdit()->setAccessibleName(S(1127));
    add_ = new QPushButton(S(kStrSet), this);
    add_->setObjectName("blockAdd");
    add_->setAccessibleName(S(kStrSet));
    // The thumbnail, drawn by the block, opens the photo's prints.
    preview_ = new DrawnButton(S(kStrSeePrints), this);
    preview_->setObjectName("blockPreview");
    connect(preview_, &QAbstractButton::clicked, this, [this] {
        if (photo_ >= 0)
            emit previewRequested(photo_, -1);
    });
    for (QObject* o : {static_cast<QObject*>(product_), static_cast<QObject*>(quantity_),
                       static_cast<QObject*>(quantity_->lineEdit())})
        o->installEventFilter(this);

    rows_ = new StackPanel(this);
    rows_->setObjectName("rowsPanel");
    rows_->setFollowWidth(true);
    connect(rows_, &ScrollPanel::shownAreaChanged, this, [this] { update(band_); });

    const int controls = product_->sizeHint().height();
    const int header = fontMetrics().height() + 6;
    const int height =
        std::max(kMargin * 2 + kThumb + 4 + fontMetrics().height(),
                 kMargin + controls + 6 + header + kRowsShown * data_.rowHeight() + kMargin);
    const int left = kMargin * 2 + kThumb;
    // Room for the columns, and for the selectors showing a whole product.
    const int minWidth =
        left +
        std::max(
            data_.columns(0, 0).back().right() + 1 + rows_->verticalScrollBar()->sizeHint().width(),
            productWidth() + quantityWidth() + add_->sizeHint().width() + 12) +
        kMargin;
    setMinimumWidth(minWidth);
    resize(minWidth, height);

    connect(add_, &QPushButton::clicked, this, &PhotoProductBlock::onAdd);
}

void PhotoProductBlock::bind(int photo) {
    photo_ = photo;
    thumbnail_ = data_.app.selectedThumbnails.forPhoto(static_cast<std::size_t>(photo));
    const orlavo::wizard::OrderModel& order = data_.app.order;
    path_ = static_cast<std::size_t>(photo) < order.PhotoCount()
                ? QString::fromStdString(order.photos()[static_cast<std::size_t>(photo)].path)
                : QString();
    fileName_ =
        QString::fromStdString(std::filesystem::path(path_.toStdString()).filename().string());
    setAccessibleName(fileName_);
    preview_->setName(S(kStrPrintsOf).arg(fileName_));
    product_->setCurrentIndex(data_.productChoices.rowCount() > 0 ? 0 : -1);
    quantity_->setCurrentIndex(0);
    quantity_->setEditText(quantity_->itemText(0));
    showLines();
    update();
}

void PhotoProductBlock::onAdd() {
    const int product = product_->currentIndex();
    if (product < 0)
        return;
    // The number the field shows, whether picked from the list or typed.
    const std::int32_t quantity =
        orlavo::wizard::QuantityFromText(quantity_->currentText().toStdString());
    if (quantity < 1)
        return;
    if (orlavo::wizard::AskBeforeQuantity(0, quantity) &&
        data_.app.ShowAppMessage(S(kStrAskQuantityAll).arg(quantity), QMessageBox::Question,
                                 QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    setLine(product, quantity);
}

void PhotoProductBlock::setLine(int product, int quantity) {
    if (photo_ < 0)
        return;
    data_.app.order.SetQuantity(static_cast<std::size_t>(photo_), product, quantity);
    showLines();
    emit linesChanged();
}

void PhotoProductBlock::showLines() {
    const orlavo::wizard::OrderModel& order = data_.app.order;
    const auto p = static_cast<std::size_t>(photo_);
    const std::vector<int> lines = p < order.PhotoCount()
                                       ? orlavo::wizard::LineProducts(order.photos()[p])
                                       : std::vector<int>{};
    bool focusInRemoved = false;
    int made = 0;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        if (auto* r = row(static_cast<int>(k))) {
            r->bind(lines[k], photo_);
            continue;
        }
        auto* r = new ProductRow(data_, rows_->canvas());
        r->move(0, 0);
        r->bind(lines[k], photo_);
        connect(r, &ProductRow::deleteRequested, this,
                [this](int product) { setLine(product, 0); });
        connect(r, &ProductRow::previewRequested, this,
                [this](int product) { emit previewRequested(photo_, product); });
        connect(r, &ProductRow::quantityChanged, this, &PhotoProductBlock::linesChanged);
        rows_->AddChild(r);
        ++made;
    }
    const int keep = static_cast<int>(lines.size());
    const bool removing = rowCount() > keep;
    while (rowCount() > keep) {
        focusInRemoved = focusInRemoved ||
                         rows_->child(rowCount() - 1)->isAncestorOf(focusWidget()) ||
                         rows_->child(rowCount() - 1) == focusWidget();
        rows_->RemoveLast();
    }
    rows_->Relayout();
    // The keyboard stays in the block: on the last row left, else on "Add".
    if (focusInRemoved) {
        if (keep > 0)
            row(keep - 1)->setFocus(Qt::OtherFocusReason);
        else
            add_->setFocus(Qt::OtherFocusReason);
    }
    if (made > 0 || removing)
        emit rowsChanged();
}

void PhotoProductBlock::setZoomTrimBoxes(bool on) {
    for (int k = 0; k < rowCount(); ++k)
        row(k)->setZoomTrimBox(on);
}

int PhotoProductBlock::rowCount() const {
    return rows_->count();
}

ProductRow* PhotoProductBlock::row(int index) const {
    return static_cast<ProductRow*>(rows_->child(index));
}

QRect PhotoProductBlock::thumbnailRect() const {
    return QRect(kMargin, kMargin, kThumb, kThumb);
}

QRect PhotoProductBlock::fileNameRect() const {
    return QRect(kMargin / 2, kMargin + kThumb + 2, kThumb + kMargin, fontMetrics().height() + 2);
}

QString PhotoProductBlock::fileNameShown() const {
    return fontMetrics().elidedText(fileName_, Qt::ElideMiddle, fileNameRect().width());
}

QString PhotoProductBlock::fileNameToolTip() const {
    return path_;
}

int PhotoProductBlock::productWidth() const {
    // The longest product with its price, within reason for a server's long names.
    return std::min(product_->sizeHint().width(), fontMetrics().averageCharWidth() * 72);
}

int PhotoProductBlock::quantityWidth() const {
    return fontMetrics().horizontalAdvance("999999") + 48;
}

QList<QWidget*> PhotoProductBlock::focusChain() const {
    QList<QWidget*> chain{product_, quantity_, add_};
    for (int k = 0; k < rowCount(); ++k)
        chain << row(k) << row(k)->quantityBox() << row(k)->zoomTrimBox();
    return chain;
}

void PhotoProductBlock::resizeEvent(QResizeEvent*) {
    placeControls();
}

void PhotoProductBlock::placeControls() {
    const int left = kMargin * 2 + kThumb;
    const int right = width() - kMargin;
    const int controls = product_->sizeHint().height();
    const int addWidth = add_->sizeHint().width();
    const int quantity = quantityWidth();
    const int product =
        std::max(120, std::min(productWidth(), right - left - quantity - addWidth - 12));
    product_->setGeometry(left, kMargin, product, controls);
    quantity_->setGeometry(left + product + 6, kMargin, quantity, controls);
    add_->setGeometry(left + product + 6 + quantity + 6, kMargin, addWidth, controls);
    preview_->setGeometry(thumbnailRect());
    const int bandTop = kMargin + controls + 6;
    const int header = fontMetrics().height() + 6;
    band_ = QRect(left, bandTop, right - left, header);
    rows_->setGeometry(left, bandTop + header, right - left, height() - bandTop - header - kMargin);
}

QStringList PhotoProductBlock::headerTexts() {
    QStringList texts;
    for (int id : {1127, 1070, 1128, 1071, 1072, kStrTotal})
        texts << S(id);
    return texts;
}

void PhotoProductBlock::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect box = thumbnailRect();
    if (!thumbnail_.isNull()) {
        const QSize size = thumbnail_.size().scaled(box.size(), Qt::KeepAspectRatio);
        const QRect at(box.left() + (box.width() - size.width()) / 2,
                       box.top() + (box.height() - size.height()) / 2, size.width(), size.height());
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(at, thumbnail_);
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(fileNameRect(), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
               fileNameShown());
    // The headers stand over the rows' columns, whether or not the rows scroll.
    p.fillRect(band_, QColor(0xee, 0xf0, 0xf3));
    const auto cols = data_.columns(rows_->viewport()->width(), band_.height());
    const RowColumn order[] = {RowColumn::Quantity, RowColumn::Name,  RowColumn::ZoomTrim,
                               RowColumn::Quality,  RowColumn::Price, RowColumn::Total};
    const QStringList texts = headerTexts();
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(palette().color(QPalette::WindowText));
    for (int i = 0; i < texts.size(); ++i) {
        const bool left = order[i] == RowColumn::Name || order[i] == RowColumn::Quality;
        const QRect r = cols[static_cast<int>(order[i])].translated(band_.topLeft());
        p.drawText(left ? r.adjusted(4, 0, 0, 0) : r,
                   (left ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter, texts[i]);
    }
    p.setPen(QColor(0xd5, 0xd9, 0xe0));
    p.drawLine(0, height() - 2, width(), height() - 2);
}

void PhotoProductBlock::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && photo_ >= 0 &&
        thumbnailRect().contains(event->position().toPoint())) {
        emit previewRequested(photo_, -1);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

bool PhotoProductBlock::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (thumbnailRect().contains(help->pos()))
            QToolTip::showText(help->globalPos(), S(kStrSeePrints), this, thumbnailRect());
        else if (fileNameRect().contains(help->pos()) && !path_.isEmpty())
            QToolTip::showText(help->globalPos(), path_, this, fileNameRect());
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

// Enter in the block's selectors presses the block's "Add", not the wizard's
// "Continue". The wheel over a selector that the user is not working with
// scrolls the page instead of changing the selection under the pointer.
bool PhotoProductBlock::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel && (watched == product_ || watched == quantity_)) {
        auto* box = static_cast<QWidget*>(watched);
        QWidget* focus = QApplication::focusWidget();
        ScrollPanel* panel = nullptr;
        for (QWidget* w = parentWidget(); w != nullptr && panel == nullptr; w = w->parentWidget())
            panel = qobject_cast<ScrollPanel*>(w);
        if (panel != nullptr && focus != box && !box->isAncestorOf(focus)) {
            // Sent events do not travel up to the parents: it goes to the panel itself.
            std::unique_ptr<QEvent> copy(event->clone());
            QApplication::sendEvent(panel->viewport(), copy.get());
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            onAdd();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
