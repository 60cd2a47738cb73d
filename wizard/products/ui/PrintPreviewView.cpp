#include "wizard/products/ui/PrintPreviewView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
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
    setPrintLayout(layout, layout);
}

void PrintPreviewView::setPrintLayout(const orlavo::wizard::PrintLayout& layout,
                                      const orlavo::wizard::PrintLayout& anchor) {
    layout_ = layout;
    anchor_ = anchor;
    update();
}

void PrintPreviewView::setCropping(bool on) {
    cropping_ = on;
    dragging_ = dragging_ && on;
    setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
    setCursor(on ? Qt::OpenHandCursor : Qt::ArrowCursor);
}

void PrintPreviewView::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void PrintPreviewView::setMessage(const QString& text) {
    message_ = text;
    update();
}

// The anchor's photo and paper together fill the view, in proportion and
// centred; the paper stays there and the printed layout's photo is drawn
// around it.
QRectF PrintPreviewView::map(const orlavo::wizard::PixelBox& box) const {
    const orlavo::wizard::PixelBox& a = anchor_.photo;
    const orlavo::wizard::PixelBox& b = anchor_.paper;
    const double left = std::min(a.x, b.x), top = std::min(a.y, b.y);
    const double w = std::max(a.x + a.width, b.x + b.width) - left;
    const double h = std::max(a.y + a.height, b.y + b.height) - top;
    if (w <= 0 || h <= 0 || layout_.paper.width <= 0)
        return {};
    const double room = width() - 2.0 * kMargin;
    const double fit = std::min(room / w, (height() - 2.0 * kMargin) / h);
    const double x0 = (width() - w * fit) / 2, y0 = (height() - h * fit) / 2;
    // Where the anchor's paper lies, and the printed paper put on it.
    const QRectF paper(x0 + (b.x - left) * fit, y0 + (b.y - top) * fit, b.width * fit,
                       b.height * fit);
    const double s = paper.width() / layout_.paper.width;
    return QRectF(paper.left() + (box.x - layout_.paper.x) * s,
                  paper.top() + (box.y - layout_.paper.y) * s, box.width * s, box.height * s);
}

double PrintPreviewView::scale() const {
    const QRectF photo = photoRect();
    return layout_.photo.width > 0 ? photo.width() / layout_.photo.width : 0;
}

void PrintPreviewView::mousePressEvent(QMouseEvent* event) {
    if (cropping_ && event->button() == Qt::LeftButton) {
        dragging_ = true;
        dragFrom_ = event->position();
        setCursor(Qt::ClosedHandCursor);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void PrintPreviewView::mouseMoveEvent(QMouseEvent* event) {
    const double s = scale();
    if (dragging_ && s > 0) {
        const QPointF delta = event->position() - dragFrom_;
        dragFrom_ = event->position();
        emit photoMoved(delta.x() / s, delta.y() / s);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void PrintPreviewView::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ && event->button() == Qt::LeftButton) {
        dragging_ = false;
        setCursor(Qt::OpenHandCursor);
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void PrintPreviewView::wheelEvent(QWheelEvent* event) {
    if (!cropping_) {
        QWidget::wheelEvent(event);
        return;
    }
    // A notch is 120; touchpads send less at a time.
    wheelRest_ += event->angleDelta().y();
    const int steps = wheelRest_ / 120;
    wheelRest_ -= steps * 120;
    if (steps != 0)
        emit zoomSteps(steps);
    event->accept();
}

void PrintPreviewView::keyPressEvent(QKeyEvent* event) {
    const double s = scale();
    if (!cropping_ || s <= 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Ten screen pixels a press, one with Shift.
    const double step = (event->modifiers() & Qt::ShiftModifier ? 1.0 : 10.0) / s;
    switch (event->key()) {
        case Qt::Key_Left:
            emit photoMoved(-step, 0);
            break;
        case Qt::Key_Right:
            emit photoMoved(step, 0);
            break;
        case Qt::Key_Up:
            emit photoMoved(0, -step);
            break;
        case Qt::Key_Down:
            emit photoMoved(0, step);
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            emit zoomSteps(1);
            break;
        case Qt::Key_Minus:
            emit zoomSteps(-1);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
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
    // A photo zoomed in reaches past the drawing.
    p.setClipRect(rect());
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
    p.setPen(QPen(hasFocus() ? palette().color(QPalette::Highlight) : kEdge, hasFocus() ? 2 : 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(paper.adjusted(-0.5, -0.5, 0.5, 0.5));
}
