#include "wizard/products/ui/ScrollPanel.h"

#include <QApplication>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kUnset = -2;
int linesPerNotch = kUnset;

bool Usable(const QScrollBar* bar) {
    return bar->isVisible() && bar->isEnabled() && bar->maximum() > bar->minimum();
}

}  // namespace

ScrollPanel::ScrollPanel(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    QPalette white = viewport()->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(white);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Window);
    canvas_ = new QWidget(viewport());
    canvas_->setObjectName("canvas");
    canvas_->setPalette(white);
    canvas_->setAutoFillBackground(true);
    canvas_->resize(0, 0);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { stepAction(horizontalScrollBar(), action, page_.width()); });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { stepAction(verticalScrollBar(), action, page_.height()); });
    // Tabbing onto a control out of sight brings it into view.
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { followFocus(now); });
}

void ScrollPanel::SetContentSize(QSize content, QSize page, QSize line) {
    content_ = QSize(std::max(content.width(), 0), std::max(content.height(), 0));
    page_ = QSize(page.width() > 0 ? page.width() : content_.width() / 10,
                  page.height() > 0 ? page.height() : content_.height() / 10);
    line_ = QSize(line.width() > 0 ? line.width() : page_.width() / 10,
                  line.height() > 0 ? line.height() : page_.height() / 10);
    updateScrollBars();
    viewport()->update();
}

QPoint ScrollPanel::scrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void ScrollPanel::ensureVisible(const QRect& rect) {
    const QSize shown = viewport()->size();
    auto fit = [](QScrollBar* bar, int from, int length, int window) {
        const int at = bar->value();
        if (from < at)
            bar->setValue(from);
        else if (from + length > at + window)
            bar->setValue(std::min(from, from + length - window));
    };
    fit(horizontalScrollBar(), rect.left(), rect.width(), shown.width());
    fit(verticalScrollBar(), rect.top(), rect.height(), shown.height());
}

int ScrollPanel::WheelLinesPerNotch() {
    if (linesPerNotch == kUnset) {
        const int desktop = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
                                ? QGuiApplication::styleHints()->wheelScrollLines()
                                : 0;
        linesPerNotch = desktop > 0 || desktop == -1 ? desktop : 3;
    }
    return linesPerNotch;
}

void ScrollPanel::SetWheelLinesPerNotch(int lines) {
    linesPerNotch = lines;
}

void ScrollPanel::updateScrollBars() {
    if (updatingBars_)
        return;
    updatingBars_ = true;
    // A shown bar takes room from the other direction; settle both.
    QSize shown = maximumViewportSize();
    const int barW = verticalScrollBar()->sizeHint().width();
    const int barH = horizontalScrollBar()->sizeHint().height();
    bool needV = content_.height() > shown.height();
    bool needH = content_.width() > shown.width() - (needV ? barW : 0);
    needV = content_.height() > shown.height() - (needH ? barH : 0);
    shown -= QSize(needV ? barW : 0, needH ? barH : 0);

    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setRange(0, needH ? content_.width() - shown.width() : 0);
    h->setPageStep(std::max(shown.width(), 1));
    h->setSingleStep(std::max(line_.width(), 1));
    v->setRange(0, needV ? content_.height() - shown.height() : 0);
    v->setPageStep(std::max(shown.height(), 1));
    v->setSingleStep(std::max(line_.height(), 1));
    placeCanvas();
    updatingBars_ = false;
}

void ScrollPanel::placeCanvas() {
    const QPoint at = scrollPosition();
    canvas_->setGeometry(-at.x(), -at.y(), std::max(content_.width(), viewport()->width()),
                         std::max(content_.height(), viewport()->height()));
}

// The trough moves by the panel's page step; the bar's own page is the
// window's size, which sets the size of its thumb.
void ScrollPanel::stepAction(QScrollBar* bar, int action, int page) {
    if (action == QAbstractSlider::SliderPageStepAdd)
        bar->setSliderPosition(bar->value() + std::max(page, 1));
    else if (action == QAbstractSlider::SliderPageStepSub)
        bar->setSliderPosition(bar->value() - std::max(page, 1));
}

void ScrollPanel::scrollContentsBy(int, int) {
    placeCanvas();
    emit shownAreaChanged();
}

void ScrollPanel::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    emit shownAreaChanged();
}

bool ScrollPanel::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize) {
        placeCanvas();
        emit shownAreaChanged();
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void ScrollPanel::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    QScrollBar* bar = nullptr;
    int delta = event->angleDelta().y();
    int page = page_.height();
    int line = line_.height();
    if (Usable(verticalScrollBar())) {
        bar = verticalScrollBar();
        if (delta == 0)
            delta = event->angleDelta().x();
    } else if (Usable(horizontalScrollBar())) {
        bar = horizontalScrollBar();
        if (delta == 0)
            delta = event->angleDelta().x();
        page = page_.width();
        line = line_.width();
    }
    if (bar == nullptr || delta == 0) {
        event->ignore();
        return;
    }
    const int before = bar->value();
    const int lines = WheelLinesPerNotch();
    if (lines == -1) {
        bar->setValue(before + (delta > 0 ? -page : page));
    } else {
        // Fine-grained wheels and touchpads send parts of a notch: the parts
        // add up instead of each rounding to nothing.
        const double owed = -static_cast<double>(delta) * lines / 120.0;
        if ((owed > 0) != (wheelLines_ > 0))
            wheelLines_ = 0;
        wheelLines_ += owed;
        const double whole = std::trunc(wheelLines_);
        wheelLines_ -= whole;
        const long long pixels = static_cast<long long>(whole) * std::max(line, 1);
        const long long most = std::max(page, 1);
        bar->setValue(before + static_cast<int>(std::clamp(pixels, -most, most)));
    }
    if (bar->value() == before) {
        event->ignore();
        return;
    }
    viewport()->repaint();
    event->accept();
}

void ScrollPanel::followFocus(QWidget* now) {
    // Only keyboard moves: a click must not scroll what is under the pointer.
    if (now == nullptr || QApplication::mouseButtons() != Qt::NoButton ||
        !canvas_->isAncestorOf(now))
        return;
    const QRect rect(now->mapTo(canvas_, QPoint(0, 0)), now->size());
    ensureVisible(rect);
}
