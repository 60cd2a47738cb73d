#include "wizard/products/ui/ProductRow.h"
#include "wizard/app/DrawnButton.h"

#include <QCheckBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSpinBox>
#include <QToolTip>

#include "resources/WizardResources.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/products/PrintLayout.h"
#include "wizard/products/ProductLines.h"

namespace {

constexpr int kColumns = static_cast<int>(RowColumn::Count);
constexpr int kInset = 4;

QRect Column(const std::array<QRect, kColumns>& cols, RowColumn c) {
    return cols[static_cast<int>(c)];
}

// The red crossed circle, drawn at the size asked, sharp at any scale.
void DrawDeleteMark(QPainter& p, const QRectF& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd6, 0x3a, 0x3a));
    p.drawEllipse(r);
    QPen cross(Qt::white, r.width() / 7.0, Qt::SolidLine, Qt::RoundCap);
    p.setPen(cross);
    const qreal in = r.width() * 0.3;
    p.drawLine(QPointF(r.left() + in, r.top() + in), QPointF(r.right() - in, r.bottom() - in));
    p.drawLine(QPointF(r.right() - in, r.top() + in), QPointF(r.left() + in, r.bottom() - in));
    p.restore();
}

// An amber triangle with an exclamation mark, drawn at the size asked.
void DrawWarningSign(QPainter& p, const QRectF& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath triangle;
    triangle.moveTo(r.center().x(), r.top());
    triangle.lineTo(r.right(), r.bottom());
    triangle.lineTo(r.left(), r.bottom());
    triangle.closeSubpath();
    p.setPen(QPen(QColor(0x9a, 0x5b, 0x00), r.width() / 14.0, Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    p.setBrush(QColor(0xf5, 0xb3, 0x1b));
    p.drawPath(triangle);
    p.setPen(QPen(Qt::black, r.width() / 9.0, Qt::SolidLine, Qt::RoundCap));
    const qreal x = r.center().x();
    p.drawLine(QPointF(x, r.top() + r.height() * 0.38), QPointF(x, r.top() + r.height() * 0.68));
    p.drawPoint(QPointF(x, r.top() + r.height() * 0.84));
    p.restore();
}

// The row's quantity: the wheel turns it only while it has the keyboard (else
// the page scrolls), and Enter takes the typed number without pressing the
// wizard's "Continue".
class RowQuantityBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    void wheelEvent(QWheelEvent* event) override {
        if (!hasFocus()) {
            event->ignore();
            return;
        }
        QSpinBox::wheelEvent(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            interpretText();
            selectAll();
            event->accept();
            return;
        }
        QSpinBox::keyPressEvent(event);
    }
};

constexpr int kStrAskQuantity = 3384;
constexpr int kStrRemovePrint = 3680;

}  // namespace

ProductRow::ProductRow(ProductPageData& data, QWidget* parent) : QWidget(parent), data_(data) {
    setObjectName("productRow");
    setFocusPolicy(Qt::StrongFocus);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    zoomTrim_ = new QCheckBox(this);
    zoomTrim_->setAccessibleName(QString::fromStdString(orlavo::wizard::Str(1128)));
    quantityBox_ = new RowQuantityBox(this);
    quantityBox_->setObjectName("rowQuantity");
    quantityBox_->setRange(1, 999999);
    quantityBox_->setKeyboardTracking(false);
    quantityBox_->setFocusPolicy(Qt::StrongFocus);
    quantityBox_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    quantityBox_->setAccessibleName(QString::fromStdString(orlavo::wizard::Str(1127)));
    remove_ = new DrawnButton(QString::fromStdString(orlavo::wizard::Str(kStrRemovePrint)), this);
    remove_->setObjectName("rowRemove");
    connect(remove_, &QAbstractButton::clicked, this, [this] {
        if (product_ >= 0)
            emit deleteRequested(product_);
    });
    resize(data_.columns(0, 0).back().right() + 1, data_.rowHeight());
    setMinimumWidth(width());

    connect(zoomTrim_, &QCheckBox::clicked, this, [this](bool on) {
        if (product_ >= 0 && photo_ >= 0)
            data_.app.order.SetZoomTrim(static_cast<std::size_t>(photo_), product_, on ? 1 : 0);
        refreshWarning();
    });
    connect(quantityBox_, &QSpinBox::valueChanged, this, &ProductRow::onQuantity);
}

void ProductRow::bind(int product, int photo) {
    product_ = product;
    photo_ = photo;
    orlavo::wizard::OrderModel& order = data_.app.order;
    const auto p = static_cast<std::size_t>(photo);
    const bool on = order.SettleZoomTrim(p, product) == 1;
    zoomTrim_->setChecked(on);
    showTexts();
}

void ProductRow::showTexts() {
    const orlavo::wizard::OrderModel& order = data_.app.order;
    const auto p = static_cast<std::size_t>(photo_);
    const orlavo::wizard::RowTexts texts =
        photo_ >= 0 && p < order.PhotoCount()
            ? orlavo::wizard::MakeRowTexts(order.photos()[p], product_, data_.table)
            : orlavo::wizard::RowTexts{};
    quantity_ = QString::fromStdString(texts.quantity);
    name_ = QString::fromStdString(texts.name);
    quality_ = QString::fromStdString(texts.quality);
    price_ = QString::fromStdString(texts.price);
    total_ = QString::fromStdString(texts.total);
    {
        const QSignalBlocker quiet(quantityBox_);
        quantityBox_->setValue(quantity_.toInt());
    }
    placeControls();
    refreshWarning();
}

void ProductRow::onQuantity(int quantity) {
    orlavo::wizard::OrderModel& order = data_.app.order;
    const auto p = static_cast<std::size_t>(photo_);
    if (product_ < 0 || photo_ < 0 || p >= order.PhotoCount())
        return;
    const std::int32_t before =
        order.photos()[p].orderLines[static_cast<std::size_t>(product_)].quantity;
    if (quantity == before)
        return;
    if (orlavo::wizard::AskBeforeQuantity(before, quantity)) {
        const QString question = QString::fromStdString(orlavo::wizard::Str(kStrAskQuantity))
                                     .arg(QString::number(quantity), name_);
        if (data_.app.ShowAppMessage(question, QMessageBox::Question,
                                     QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
            showTexts();
            return;
        }
    }
    order.SetQuantity(p, product_, quantity);
    showTexts();
    emit quantityChanged(product_);
}

void ProductRow::setZoomTrimBox(bool on) {
    zoomTrim_->setChecked(on);
    refreshWarning();
}

void ProductRow::refreshWarning() {
    const orlavo::wizard::OrderModel& order = data_.app.order;
    const auto p = static_cast<std::size_t>(photo_);
    warning_ = photo_ >= 0 && p < order.PhotoCount()
                   ? QString::fromStdString(
                         orlavo::wizard::LineWarning(order.photos()[p], product_, data_.table))
                   : QString();
    // What a screen reader says for the row, whose texts are drawn.
    QString spoken = quantity_ + " x " + name_ + ", " + quality_ + ", " + price_ + ", " + total_;
    if (!warning_.isEmpty())
        spoken += ". " + QString(warning_).replace('\n', ' ');
    setAccessibleName(spoken);
    update();
}

QString ProductRow::toolTipAt(QPoint pos) const {
    if (!warning_.isEmpty() && warningRect().contains(pos))
        return warning_;
    if (Column(data_.columns(width(), height()), RowColumn::Name).contains(pos))
        return fullName_;
    return {};
}

bool ProductRow::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = toolTipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}

QRect ProductRow::deleteMarkRect() const {
    const QRect col = Column(data_.columns(width(), height()), RowColumn::DeleteMark);
    const int side = std::min({col.width(), height(), 16 * height() / 22 + 1});
    return QRect(col.left() + (col.width() - side) / 2, (height() - side) / 2, side, side);
}

QRect ProductRow::warningRect() const {
    return Column(data_.columns(width(), height()), RowColumn::Warning);
}

void ProductRow::resizeEvent(QResizeEvent*) {
    placeControls();
}

void ProductRow::placeControls() {
    const auto cols = data_.columns(width(), height());
    const QRect zoom = Column(cols, RowColumn::ZoomTrim);
    const QSize box = zoomTrim_->sizeHint();
    zoomTrim_->setGeometry(QRect(zoom.center() - QPoint(box.width() / 2, box.height() / 2), box));
    const QRect quantity = Column(cols, RowColumn::Quantity);
    const int spinHeight = std::min(height() - 2, quantityBox_->sizeHint().height());
    quantityBox_->setGeometry(quantity.left() + 2, (height() - spinHeight) / 2,
                              quantity.width() - 6, spinHeight);
    remove_->setGeometry(deleteMarkRect());
    const int room = Column(cols, RowColumn::Name).width() - 2 * kInset;
    fullName_ = fontMetrics().horizontalAdvance(name_) > room ? name_ : QString();
}

void ProductRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (hasFocus()) {
        p.fillRect(rect(), QColor(0xe6, 0xef, 0xfd));
        p.setPen(QColor(0x2f, 0x6f, 0xde));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    const auto cols = data_.columns(width(), height());
    const QColor text = palette().color(QPalette::WindowText);
    p.setPen(text);
    const QRect name = Column(cols, RowColumn::Name).adjusted(kInset, 0, -kInset, 0);
    p.drawText(name, Qt::AlignLeft | Qt::AlignVCenter,
               fontMetrics().elidedText(name_, Qt::ElideRight, name.width()));
    p.setPen(qualityColor());
    p.drawText(Column(cols, RowColumn::Quality).adjusted(kInset, 0, 0, 0),
               Qt::AlignLeft | Qt::AlignVCenter, quality_);
    p.setPen(text);
    p.drawText(Column(cols, RowColumn::Price), Qt::AlignCenter, price_);
    p.drawText(Column(cols, RowColumn::Total), Qt::AlignCenter, total_);
    if (!warning_.isEmpty()) {
        const QRect col = warningRect();
        const int side = std::min(col.width(), height()) - 6;
        DrawWarningSign(p, QRectF(col.left() + (col.width() - side) / 2.0, (height() - side) / 2.0,
                                  side, side));
    }
    DrawDeleteMark(p, deleteMarkRect());
}

void ProductRow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && deleteMarkRect().contains(event->position().toPoint()))
        QMetaObject::invokeMethod(
            this, [this, product = product_] { emit deleteRequested(product); },
            Qt::QueuedConnection);
    QWidget::mousePressEvent(event);
}

void ProductRow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        QMetaObject::invokeMethod(
            this, [this, product = product_] { emit deleteRequested(product); },
            Qt::QueuedConnection);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && product_ >= 0) {
        emit previewRequested(product_);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
