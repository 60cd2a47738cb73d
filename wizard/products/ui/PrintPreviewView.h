#pragma once
// One print drawn as it will come out: the paper white on a grey table, the
// photo on it as the layout places it, the part that "Zoom and Trim" cuts
// away shown dimmed around the paper. Without a layout it shows a message.
//
// With cropping on, the paper stays where the centre crop puts it and the
// photo moves under it: dragging it, the wheel and the arrow, + and - keys
// ask the owner for another part of the photo (signals); the owner answers
// with the new layout.

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

    // ANCHOR places the paper (the centre crop's layout); LAYOUT is what is
    // printed. Without an anchor the layout places itself.
    void setPrintLayout(const orlavo::wizard::PrintLayout& layout);
    void setPrintLayout(const orlavo::wizard::PrintLayout& layout,
                        const orlavo::wizard::PrintLayout& anchor);
    // Whether the photo can be moved and zoomed under the paper.
    void setCropping(bool on);
    bool cropping() const { return cropping_; }
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

signals:
    // The photo was moved by DX, DY of its own pixels (dragged right: DX > 0).
    void photoMoved(double dx, double dy);
    // Zoom in (STEPS > 0) or out by STEPS notches.
    void zoomSteps(int steps);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRectF map(const orlavo::wizard::PixelBox& box) const;
    // View pixels per photo pixel.
    double scale() const;

    orlavo::wizard::PrintLayout layout_;
    orlavo::wizard::PrintLayout anchor_;
    bool cropping_ = false;
    bool dragging_ = false;
    QPointF dragFrom_;
    int wheelRest_ = 0;
    QImage picture_;
    QString message_;
};
