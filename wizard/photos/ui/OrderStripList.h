#pragma once
// The order strip: the selected photos' thumbnails in one row, each with
// three small buttons at its right edge (turn counter-clockwise, turn
// clockwise, remove) and the file's name below. The thumbnails are drawn
// 92 pixels square, smaller where the window has little height. A press on a button and a release
// anywhere reports the button; the page does the work. A press elsewhere selects as usual.

#include <QImage>
#include <QListView>

class OrderStripList : public QListView {
    Q_OBJECT
public:
    explicit OrderStripList(QWidget* parent = nullptr);

    // The button pictures (bitmaps 223, 222 and 224) at the screen's ratio.
    void loadButtonPictures(qreal devicePixelRatio);

    // The pressed button: its item and number, or -1 and -1.
    int pressedItem() const { return pressedItem_; }
    int pressedButton() const { return pressedButton_; }
    const QImage& buttonPicture(int button) const { return pictures_[button]; }

    // An item's rectangle in the viewport.
    QRect itemRect(int item) const;
    // The side the thumbnails are drawn at (92 at first), and each item's size.
    int thumbnailSide() const { return side_; }
    void setThumbnailSide(int side);
    QSize itemSize() const;
    // Where an item of rectangle ITEM shows its file's name.
    QRect nameRect(const QRect& item) const;

    // One row of thumbnails high; as wide as it is given.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    // BUTTON (0 turn clockwise, 1 counter-clockwise, 2 remove) of ITEM was
    // pressed and released. Connected queued, as the page removes items.
    void buttonClicked(int item, int button);
    // ITEM to be moved one place left or right (Ctrl+Left, Ctrl+Right, or the menu).
    void moveRequested(int item, int to);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Delete removes the current photo, as its remove button does; Ctrl
    // with Left or Right moves it. Dragging an item moves it too.
    void keyPressEvent(QKeyEvent* event) override;
    // The three buttons and the two moves as a menu (right button, the Menu
    // key, Shift+F10): the way to them from the keyboard and for a screen reader.
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    // The item and button at POS, or -1 and -1.
    std::pair<int, int> buttonAt(QPoint pos) const;
    void redrawItem(int item);

    QImage pictures_[3];
    int side_;
    int pressedItem_ = -1;
    int pressedButton_ = -1;
};
