#include "platform/look/Look.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QPushButton>
#include <QString>
#include <QStyle>
#include <QStyleFactory>

namespace orlavo::look {

namespace {

// A flat round message-box icon with a white sign, sharp at every scale.
QIcon MessageIcon(QChar sign, const QColor& colour) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 96, 128}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        const qreal inset = size / 16.0;
        p.drawEllipse(QRectF(inset, inset, size - 2 * inset, size - 2 * inset));
        QFont f = QApplication::font();
        f.setBold(true);
        f.setPixelSize(qRound(size * 0.62));
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, QString(sign));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

class LookStyle : public QProxyStyle {
public:
    LookStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override {
        switch (icon) {
            case SP_MessageBoxQuestion:
                return MessageIcon(u'?', QColor(0x2f, 0x6f, 0xde));
            case SP_MessageBoxInformation:
                return MessageIcon(u'i', QColor(0x2f, 0x6f, 0xde));
            case SP_MessageBoxWarning:
                return MessageIcon(u'!', QColor(0xe8, 0x9a, 0x1c));
            case SP_MessageBoxCritical:
                return MessageIcon(QChar(0x00d7), QColor(0xd6, 0x3a, 0x3a));
            default:
                return QProxyStyle::standardIcon(icon, option, widget);
        }
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_FrameFocusRect && qobject_cast<const QPushButton*>(widget))
            return;
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

}  // namespace

void ApplyLook(QApplication& app) {
    app.setStyle(new LookStyle);
    QPalette pal = app.style()->standardPalette();
    pal.setColor(QPalette::Window, QColor(0xf6, 0xf7, 0xf9));
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Button, QColor(0xf3, 0xf4, 0xf6));
    pal.setColor(QPalette::Highlight, QColor(0x2f, 0x6f, 0xde));
    pal.setColor(QPalette::WindowText, QColor(0x1f, 0x24, 0x30));
    pal.setColor(QPalette::Text, QColor(0x1f, 0x24, 0x30));
    app.setPalette(pal);
}

const QString& SharedStyleSheet() {
    static const QString sheet = QStringLiteral(R"(
QDialog { background: #f6f7f9; }
QPushButton {
    min-height: 26px;
    padding: 2px 14px;
    border: 1px solid #b9c0cb;
    border-radius: 5px;
    background: #ffffff;
    color: #1f2430;
}
QPushButton:hover { background: #f0f4fb; border-color: #8fa3c3; }
QPushButton:pressed { background: #e1e8f5; }
QPushButton:focus { border: 2px solid #2f6fde; padding: 1px 13px; }
QPushButton:default { background: #2f6fde; border-color: #2a63c7; color: #ffffff; }
QPushButton:default:hover { background: #3a7af0; }
QPushButton:default:pressed { background: #2659b8; }
QPushButton:default:focus { border: 2px solid #173f8a; }
QPushButton:disabled, QPushButton:default:disabled {
    background: #eceef1; border-color: #d3d7de; color: #9aa1ad;
}
QProgressBar {
    border: 1px solid #c3c9d3;
    border-radius: 4px;
    background: #ffffff;
    min-height: 8px;
    max-height: 8px;
}
QProgressBar::chunk { background: #2f6fde; border-radius: 3px; }
)");
    return sheet;
}

}  // namespace orlavo::look
