#pragma once
// One print drawn as it will come out: the paper white on a grey table, the
// photo on it as the layout places it, the part that "Zoom and Trim" cuts
// away shown dimmed around the paper. Without a layout it shows a message.

#include <QImage>
#include <QString>
#include <QWidget>

#include "wizard/products/PrintLayout.h"

class PrintPreviewView : public QWidget {
    Q_OBJECT
public:
    // The drawing's side in logical pixels.
    static constexpr int kSide = 420;

    explicit PrintPreviewView(QWidget* parent = nullptr);

    void setPrintLayout(const orlavo::wizard::PrintLayout& layout);
    // The upright photo, at any size; a stand-in until the sharp one comes.
    void setPicture(const QImage& picture);
    // Shown in place of the drawing (empty: the drawing).
    void setMessage(const QString& text);

    const QString& message() const { return message_; }
    const QImage& picture() const { return picture_; }
    // Where the paper and the photo are drawn, in the view's coordinates.
    QRectF paperRect() const;
    QRectF photoRect() const;

    QSize sizeHint() const override { return {kSide, kSide}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF map(const orlavo::wizard::PixelBox& box) const;

    orlavo::wizard::PrintLayout layout_;
    QImage picture_;
    QString message_;
};
