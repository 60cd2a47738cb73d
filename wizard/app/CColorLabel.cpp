#include "wizard/app/CColorLabel.h"

#include <QMouseEvent>
#include <QPainter>

#include "wizard/app/AppEffects.h"

CColorLabel::CColorLabel(AppEffects& effects, QWidget* parent)
    : QLabel(parent),
      effects_(effects),
      text_(palette().color(QPalette::WindowText)),
      background_(palette().color(QPalette::Button)) {
    setTextColor(text_);
}

void CColorLabel::setTextColor(const QColor& color) {
    text_ = color;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, text_);
    pal.setColor(QPalette::Text, text_);
    setPalette(pal);
    repaint();
}

void CColorLabel::setBackgroundColor(const QColor& color) {
    background_ = color;
    update();
}

void CColorLabel::paintEvent(QPaintEvent* event) {
    {
        QPainter p(this);
        p.fillRect(rect(), background_);
    }
    QLabel::paintEvent(event);
}

void CColorLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        effects_.open(text());
    QLabel::mousePressEvent(event);
}
