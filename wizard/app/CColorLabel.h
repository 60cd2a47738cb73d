#pragma once
// A label with its own text and background colour; a click opens its text
// (an address, for example) in the browser. Used for counters and ratings.

#include <QColor>
#include <QLabel>

class AppEffects;

class CColorLabel : public QLabel {
    Q_OBJECT
public:
    CColorLabel(AppEffects& effects, QWidget* parent = nullptr);

    // Stores the colour and repaints at once.
    void setTextColor(const QColor& color);
    void setBackgroundColor(const QColor& color);
    QColor textColor() const { return text_; }
    QColor backgroundColor() const { return background_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    AppEffects& effects_;
    QColor text_;
    QColor background_;
};
