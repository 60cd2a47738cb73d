#include "wizard/products/ui/PrintPreviewDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTransform>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>
#include <optional>

#include "resources/WizardResources.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/photos/ThumbnailMaker.h"
#include "wizard/products/PrintLayout.h"
#include "wizard/products/ProductLines.h"
#include "wizard/products/QualityRating.h"
#include "wizard/products/ui/PrintPreviewView.h"
#include "wizard/products/ui/ProductRow.h"

namespace {

QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
}

QString Plain(const std::string& text) {
    return QString::fromStdString(text);
}

constexpr int kStrTitle = 3309;
constexpr int kStrPrintSize = 3310;
constexpr int kStrQuality = 3311;
constexpr int kStrUnreadable = 3312;
constexpr int kStrDimmed = 3313;
constexpr int kStrBorders = 3314;
constexpr int kStrPrintsOf = 3315;
constexpr int kStrZoom = 3371;
constexpr int kStrReset = 3372;
constexpr int kStrCropHint = 3373;
constexpr int kStrDrawing = 3374;
// The slider counts hundredths of the zoom.
constexpr int kZoomUnits = 100;
// Each wheel notch or key press zooms by this factor.
constexpr double kZoomStep = 1.1;

QLabel* PlainLabel(QWidget* parent, const QString& name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

// The picture part of a square thumbnail (the photo in proportion on grey).
QImage WithoutBars(const QImage& thumbnail, int width, int height) {
    if (thumbnail.isNull() || width <= 0 || height <= 0)
        return {};
    const int side = std::min(thumbnail.width(), thumbnail.height());
    const QSize fit = orlavo::wizard::FitInto(QSize(width, height), side);
    return thumbnail.copy(QRect((thumbnail.width() - fit.width()) / 2,
                                (thumbnail.height() - fit.height()) / 2, fit.width(),
                                fit.height()));
}

}  // namespace

PrintPreviewDialog::PrintPreviewDialog(ProductPageData& data, int photo, int product,
                                       QWidget* parent)
    : QDialog(parent), data_(data), photo_(photo) {
    setObjectName("printPreviewDialog");
    setWindowTitle(S(kStrTitle));
    const orlavo::wizard::OrderModel& order = data_.app.order;
    const auto p = static_cast<std::size_t>(photo);
    const bool known = photo >= 0 && p < order.PhotoCount();
    const orlavo::wizard::SelectedPhoto none;
    const orlavo::wizard::SelectedPhoto& shown = known ? order.photos()[p] : none;
    if (known)
        products_ = orlavo::wizard::LineProducts(shown);

    auto* heading = PlainLabel(this, "previewHeading");
    heading->setText(
        S(kStrPrintsOf).replace("%1", QFileInfo(QString::fromStdString(shown.path)).fileName()));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    lines_ = new QListWidget(this);
    lines_->setObjectName("previewLines");
    int widest = 0;
    for (int j : products_) {
        const orlavo::wizard::RowTexts texts = orlavo::wizard::MakeRowTexts(shown, j, data_.table);
        const QString text = Plain(texts.quantity) + " x " + Plain(texts.name);
        lines_->addItem(text);
        lines_->item(lines_->count() - 1)->setToolTip(text);
        widest = std::max(widest, fontMetrics().horizontalAdvance(text));
    }
    // As wide as the longest entry, within reason; a longer one is cut short.
    const int chars = fontMetrics().averageCharWidth();
    lines_->setFixedWidth(
        std::clamp(widest + 2 * lines_->frameWidth() + 12, chars * 20, chars * 44));
    lines_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lines_->setTextElideMode(Qt::ElideRight);

    view_ = new PrintPreviewView(this);
    view_->setPicture(
        known ? WithoutBars(data_.app.selectedThumbnails.forPhoto(p), shown.width, shown.height)
              : QImage());

    name_ = PlainLabel(this, "previewProduct");
    name_->setFont(bold);
    auto* sizeCaption = new QLabel(S(kStrPrintSize), this);
    size_ = PlainLabel(this, "previewSize");
    auto* qualityCaption = new QLabel(S(kStrQuality), this);
    quality_ = PlainLabel(this, "previewQuality");
    QPalette blue = quality_->palette();
    blue.setColor(QPalette::WindowText, ProductRow::qualityColor());
    quality_->setPalette(blue);
    zoomTrim_ = new QCheckBox(S(1128), this);
    zoomTrim_->setObjectName("previewZoomTrim");
    warning_ = PlainLabel(this, "previewWarning");
    QPalette amber = warning_->palette();
    amber.setColor(QPalette::WindowText, QColor(0x9a, 0x5b, 0x00));
    warning_->setPalette(amber);
    zoomCaption_ = new QLabel(S(kStrZoom), this);
    zoom_ = new QSlider(Qt::Horizontal, this);
    zoom_->setObjectName("previewZoom");
    zoom_->setAccessibleName(S(kStrZoom));
    zoomCaption_->setBuddy(zoom_);
    zoom_->setRange(kZoomUnits, kZoomUnits);
    zoom_->setPageStep(kZoomUnits / 4);
    zoom_->setSingleStep(kZoomUnits / 20);
    reset_ = new QPushButton(S(kStrReset), this);
    reset_->setObjectName("previewReset");
    reset_->setAccessibleName(S(kStrReset));
    hint_ = PlainLabel(this, "previewCropHint");
    hint_->setText(S(kStrCropHint));
    view_->setAccessibleName(S(kStrDrawing));
    view_->setAccessibleDescription(S(kStrCropHint));
    auto* dimmed = PlainLabel(this, "legendDimmed");
    dimmed->setText(S(kStrDimmed));
    auto* borders = PlainLabel(this, "legendBorders");
    borders->setText(S(kStrBorders));

    auto* info = new QVBoxLayout();
    info->setSpacing(4);
    info->addWidget(name_);
    info->addSpacing(8);
    info->addWidget(sizeCaption);
    info->addWidget(size_);
    info->addSpacing(6);
    info->addWidget(qualityCaption);
    info->addWidget(quality_);
    info->addSpacing(10);
    info->addWidget(zoomTrim_);
    info->addWidget(warning_);
    info->addSpacing(6);
    auto* zoomRow = new QHBoxLayout();
    zoomRow->addWidget(zoomCaption_);
    zoomRow->addWidget(zoom_, 1);
    info->addLayout(zoomRow);
    info->addWidget(reset_, 0, Qt::AlignLeft);
    info->addWidget(hint_);
    info->addStretch(1);
    info->addWidget(dimmed);
    info->addWidget(borders);
    auto* infoBox = new QWidget(this);
    infoBox->setLayout(info);
    infoBox->setFixedWidth(fontMetrics().averageCharWidth() * 34);
    info->setContentsMargins(0, 0, 0, 0);

    auto* middle = new QHBoxLayout();
    middle->setSpacing(14);
    middle->addWidget(lines_);
    middle->addWidget(view_, 0, Qt::AlignTop);
    middle->addWidget(infoBox);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(S(103), QDialogButtonBox::RejectRole);
    close->setObjectName("previewClose");
    auto* all = new QVBoxLayout(this);
    all->addWidget(heading);
    all->addLayout(middle);
    all->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(lines_, &QListWidget::currentRowChanged, this, &PrintPreviewDialog::onLineSelected);
    connect(zoomTrim_, &QCheckBox::clicked, this, &PrintPreviewDialog::onZoomTrim);
    connect(view_, &PrintPreviewView::photoMoved, this, &PrintPreviewDialog::moveCrop);
    connect(view_, &PrintPreviewView::zoomSteps, this, [this](int steps) {
        const orlavo::wizard::CropBox crop = currentCrop();
        const auto& photo = data_.app.order.photos()[static_cast<std::size_t>(photo_)];
        const auto& info = data_.table.products[static_cast<std::size_t>(currentProduct())];
        zoomTo(orlavo::wizard::ZoomOf(photo.width, photo.height, info.xDim, info.yDim, crop) *
               std::pow(kZoomStep, steps));
    });
    connect(zoom_, &QSlider::valueChanged, this,
            [this](int value) { zoomTo(double(value) / kZoomUnits); });
    connect(reset_, &QPushButton::clicked, this, &PrintPreviewDialog::resetCrop);
    connect(&decode_, &QFutureWatcher<QImage>::finished, this,
            &PrintPreviewDialog::onPictureDecoded);

    int first = 0;
    for (std::size_t k = 0; k < products_.size(); ++k)
        if (products_[k] == product)
            first = static_cast<int>(k);
    if (!products_.empty())
        lines_->setCurrentRow(first);
    else
        refresh();

    if (known && !shown.path.empty()) {
        // The photo fills at most the view, at the screen's pixel density.
        const int side = static_cast<int>(std::ceil(PrintPreviewView::kSide * devicePixelRatioF()));
        decode_.setFuture(QtConcurrent::run([path = shown.path, side, turn = shown.turn] {
            QImage picture = orlavo::wizard::MakePreviewPicture(path, side);
            // The user's turn, on top of the EXIF orientation.
            return turn == 0 || picture.isNull() ? picture
                                                 : picture.transformed(QTransform().rotate(turn));
        }));
    } else {
        pictureDone_ = true;
    }
}

PrintPreviewDialog::~PrintPreviewDialog() {
    // The worker finishes its one photo on its own; its result is dropped.
    decode_.disconnect(this);
}

int PrintPreviewDialog::currentProduct() const {
    const int row = lines_->currentRow();
    return row >= 0 && row < static_cast<int>(products_.size())
               ? products_[static_cast<std::size_t>(row)]
               : -1;
}

void PrintPreviewDialog::showLine(int product) {
    for (std::size_t k = 0; k < products_.size(); ++k)
        if (products_[k] == product)
            lines_->setCurrentRow(static_cast<int>(k));
}

void PrintPreviewDialog::onLineSelected(int) {
    refresh();
}

void PrintPreviewDialog::onZoomTrim(bool on) {
    const int product = currentProduct();
    if (product < 0)
        return;
    data_.app.order.SetZoomTrim(static_cast<std::size_t>(photo_), product, on ? 1 : 0);
    refresh();
    emit lineChanged(photo_, product);
}

void PrintPreviewDialog::onPictureDecoded() {
    const QImage picture = decode_.result();
    pictureDone_ = true;
    unreadable_ = picture.isNull();
    if (!unreadable_) {
        QImage sharp = picture;
        sharp.setDevicePixelRatio(devicePixelRatioF());
        view_->setPicture(sharp);
    }
    refresh();
    view_->repaint();
    emit pictureShown();
}

// The current line's drawing and texts, from the order as it is now.
void PrintPreviewDialog::refresh() {
    const int product = currentProduct();
    orlavo::wizard::OrderModel& order = data_.app.order;
    const auto p = static_cast<std::size_t>(photo_);
    if (product < 0 || p >= order.PhotoCount() || product >= data_.table.count()) {
        name_->clear();
        size_->clear();
        quality_->clear();
        warning_->clear();
        zoomTrim_->setEnabled(false);
        orlavo::wizard::PrintLayout nothing;
        nothing.gap = orlavo::wizard::LayoutGap::NoProductSize;
        view_->setPrintLayout(nothing);
        view_->setMessage(QString());
        return;
    }
    const orlavo::wizard::SelectedPhoto& photo = order.photos()[p];
    const orlavo::wizard::ProductInfo& info =
        data_.table.products[static_cast<std::size_t>(product)];
    const bool trim = order.SettleZoomTrim(p, product) == 1;
    const orlavo::wizard::OrderLine& line = photo.orderLines[static_cast<std::size_t>(product)];
    const orlavo::wizard::PrintLayout layout =
        line.hasOwnCrop()
            ? orlavo::wizard::LayOutCrop(photo.width, photo.height, info.xDim, info.yDim, line.crop)
            : orlavo::wizard::LayOutPrint(photo.width, photo.height, info.xDim, info.yDim, trim);
    name_->setText(Plain(info.name));
    size_->setText(layout.shown() ? Plain(orlavo::wizard::PrintSizeText(layout.paperWidthMm,
                                                                        layout.paperHeightMm))
                                  : QString());
    std::int32_t width = 0, height = 0;
    orlavo::wizard::LinePixelSize(photo, product, width, height);
    quality_->setText(
        Plain(orlavo::wizard::QualityText(orlavo::wizard::RateQuality(width, height, info.xDim))));
    zoomTrim_->setEnabled(true);
    zoomTrim_->setChecked(trim);
    warning_->setText(Plain(orlavo::wizard::LineWarning(photo, product, data_.table)));
    const bool cropping = trim && layout.shown();
    view_->setPrintLayout(layout, cropping ? orlavo::wizard::LayOutPrint(photo.width, photo.height,
                                                                         info.xDim, info.yDim, true)
                                           : layout);
    view_->setCropping(cropping);
    const double maxZoom =
        cropping ? orlavo::wizard::MaxZoom(photo.width, photo.height, info.xDim, info.yDim) : 1.0;
    {
        const QSignalBlocker quiet(zoom_);
        zoom_->setRange(kZoomUnits, static_cast<int>(std::floor(maxZoom * kZoomUnits)));
        zoom_->setValue(static_cast<int>(std::lround(
            orlavo::wizard::ZoomOf(photo.width, photo.height, info.xDim, info.yDim, currentCrop()) *
            kZoomUnits)));
    }
    zoom_->setEnabled(cropping && maxZoom > 1.0);
    zoomCaption_->setEnabled(zoom_->isEnabled());
    reset_->setEnabled(cropping && line.hasOwnCrop());
    hint_->setVisible(cropping);
    view_->setMessage(!layout.shown() ? Plain(orlavo::wizard::LayoutGapText(layout.gap))
                      : unreadable_   ? S(kStrUnreadable)
                                      : QString());
}

orlavo::wizard::CropBox PrintPreviewDialog::currentCrop() const {
    const int product = currentProduct();
    const orlavo::wizard::OrderModel& order = data_.app.order;
    const auto p = static_cast<std::size_t>(photo_);
    if (product < 0 || p >= order.PhotoCount() || product >= data_.table.count())
        return {};
    const orlavo::wizard::SelectedPhoto& photo = order.photos()[p];
    const orlavo::wizard::OrderLine& line = photo.orderLines[static_cast<std::size_t>(product)];
    if (line.hasOwnCrop())
        return line.crop;
    const orlavo::wizard::ProductInfo& info =
        data_.table.products[static_cast<std::size_t>(product)];
    return orlavo::wizard::CentreCrop(photo.width, photo.height, info.xDim, info.yDim);
}

void PrintPreviewDialog::storeCrop(const orlavo::wizard::CropBox& crop) {
    const int product = currentProduct();
    if (product < 0 || !view_->cropping())
        return;
    data_.app.order.SetCrop(static_cast<std::size_t>(photo_), product, crop);
    const orlavo::wizard::RowTexts texts = orlavo::wizard::MakeRowTexts(
        data_.app.order.photos()[static_cast<std::size_t>(photo_)], product, data_.table);
    if (QListWidgetItem* item = lines_->currentItem()) {
        item->setText(Plain(texts.quantity) + " x " + Plain(texts.name));
        item->setToolTip(item->text());
    }
    refresh();
    emit lineChanged(photo_, product);
}

void PrintPreviewDialog::moveCrop(double dx, double dy) {
    // The photo moves under the paper: the part kept moves the other way.
    placeCrop(std::nullopt, -dx, -dy);
}

void PrintPreviewDialog::zoomTo(double zoom) {
    placeCrop(zoom, 0, 0);
}

void PrintPreviewDialog::placeCrop(std::optional<double> zoom, double dx, double dy) {
    const int product = currentProduct();
    if (product < 0 || !view_->cropping())
        return;
    const auto& photo = data_.app.order.photos()[static_cast<std::size_t>(photo_)];
    const auto& info = data_.table.products[static_cast<std::size_t>(product)];
    const orlavo::wizard::CropBox crop = currentCrop();
    const double z =
        zoom ? *zoom
             : orlavo::wizard::ZoomOf(photo.width, photo.height, info.xDim, info.yDim, crop);
    const orlavo::wizard::CropBox placed =
        orlavo::wizard::CropAt(photo.width, photo.height, info.xDim, info.yDim, z,
                               crop.x + crop.width / 2.0 + dx, crop.y + crop.height / 2.0 + dy);
    if (!(placed == crop))
        storeCrop(placed);
}

void PrintPreviewDialog::resetCrop() {
    storeCrop({});
}
