#include "wizard/app/CStaticLink.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "wizard/app/AppEffects.h"
#include "wizard/app/OpenInBrowser.h"

const QColor CStaticLink::kUnvisited = QColor(0, 0, 255);
const QColor CStaticLink::kVisited = QColor(128, 0, 128);

CStaticLink::CStaticLink(AppEffects& effects, const QString& text, const QString& link,
                         QWidget* parent)
    : QLabel(text, parent), effects_(effects), link_(link) {
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    // It looks like a link through its font and colour; its text is text.
    setTextFormat(Qt::PlainText);
    // Reachable with Tab and followed with Enter or Space, like a button.
    setFocusPolicy(Qt::StrongFocus);
    setTextInteractionFlags(Qt::NoTextInteraction);
    applyColor();
}

void CStaticLink::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        follow();
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void CStaticLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Space) {
        follow();
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}

void CStaticLink::follow() {
    if (!OpenInBrowser(effects_, window(), link_))
        return;
    color_ = kVisited;
    applyColor();
    repaint();
}

void CStaticLink::applyColor() {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color_);
    setPalette(pal);
}
