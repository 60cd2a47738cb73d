#include "wizard/products/ui/PrintPreviewView.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace {

constexpr int kMargin = 18;
const QColor kTable(0xe4, 0xe7, 0xec);
const QColor kEdge(0x9a, 0xa1, 0xad);

}  // namespace

PrintPreviewView::PrintPreviewView(QWidget* parent) : QWidget(parent) {
    setObjectName("printPreview");
    setFixedSize(kSide, kSide);
}

void PrintPreviewView::setPrintLayout(const orlavo::wizard::PrintLayout& layout) {
    layout_ = layout;
    update();
}

void PrintPreviewView::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void PrintPreviewView::setMessage(const QString& text) {
    message_ = text;
    update();
}

// The photo and the paper together fill the view, in proportion and centred.
QRectF PrintPreviewView::map(const orlavo::wizard::PixelBox& box) const {
    const orlavo::wizard::PixelBox& a = layout_.photo;
    const orlavo::wizard::PixelBox& b = layout_.paper;
    const double left = std::min(a.x, b.x), top = std::min(a.y, b.y);
    const double w = std::max(a.x + a.width, b.x + b.width) - left;
    const double h = std::max(a.y + a.height, b.y + b.height) - top;
    if (w <= 0 || h <= 0)
        return {};
    const double room = width() - 2.0 * kMargin;
    const double scale = std::min(room / w, (height() - 2.0 * kMargin) / h);
    const double x0 = (width() - w * scale) / 2, y0 = (height() - h * scale) / 2;
    return QRectF(x0 + (box.x - left) * scale, y0 + (box.y - top) * scale, box.width * scale,
                  box.height * scale);
}

QRectF PrintPreviewView::paperRect() const {
    return layout_.shown() ? map(layout_.paper) : QRectF();
}

QRectF PrintPreviewView::photoRect() const {
    return layout_.shown() ? map(layout_.photo) : QRectF();
}

void PrintPreviewView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kTable);
    if (!message_.isEmpty() || !layout_.shown()) {
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(rect().adjusted(kMargin, kMargin, -kMargin, -kMargin),
                   Qt::AlignCenter | Qt::TextWordWrap, message_);
        return;
    }
    const QRectF paper = paperRect(), photo = photoRect();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // A soft shadow lifts the paper off the table.
    p.fillRect(paper.translated(3, 3), QColor(0, 0, 0, 40));
    p.fillRect(paper, Qt::white);
    if (!picture_.isNull())
        p.drawImage(photo, picture_);
    else
        p.fillRect(photo, QColor(0xb8, 0xbe, 0xc8));
    // What falls outside the paper is not printed.
    QPainterPath cut;
    cut.addRect(photo);
    QPainterPath kept;
    kept.addRect(paper);
    p.fillPath(cut.subtracted(kept), QColor(0x20, 0x24, 0x2c, 170));
    p.setPen(QPen(kEdge, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(paper.adjusted(-0.5, -0.5, 0.5, 0.5));
}
