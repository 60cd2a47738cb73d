#pragma once
// A text that behaves as a hyperlink: underlined, blue until used and purple
// afterwards, a hand cursor; a click opens its link, a failure only beeps.

#include <QColor>
#include <QLabel>
#include <QString>

class AppEffects;

class CStaticLink : public QLabel {
    Q_OBJECT
public:
    static const QColor kUnvisited;  // RGB(0, 0, 255)
    static const QColor kVisited;    // RGB(128, 0, 128)

    CStaticLink(AppEffects& effects, const QString& text, const QString& link = QString(),
                QWidget* parent = nullptr);

    void setLink(const QString& link) { link_ = link; }
    const QString& link() const { return link_; }
    QColor color() const { return color_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void follow();
    void applyColor();

    AppEffects& effects_;
    QString link_;
    QColor color_ = kUnvisited;
};
