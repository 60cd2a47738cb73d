#pragma once
// Draws one photo of the folder's thumbnail view: the thumbnail (or the
// placeholder until it is made) at the side the user chose, 92 pixels at
// first, with its check box in the top-left corner, framed when ticked, and
// the file name below it on up to two lines (cut short at the end of the
// second only when it is longer still; the tooltip has it whole).

#include <QImage>
#include <QStringList>
#include <QStyledItemDelegate>

class FolderItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit FolderItemDelegate(QObject* parent = nullptr);

    void setPlaceholder(const QImage& image) { placeholder_ = image; }
    // The thumbnails' side in logical pixels.
    void setSide(int side) { side_ = side; }
    int side() const { return side_; }
    // The size of every item (the view's grid) for thumbnails of SIDE.
    static QSize ItemSize(const QFontMetrics& metrics, int side);
    // NAME broken into the lines shown below a thumbnail of SIDE.
    static QStringList NameLines(const QFontMetrics& metrics, const QString& name, int side);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // The page ticks by its own rules; the view's check handling stays out.
    bool editorEvent(QEvent*, QAbstractItemModel*, const QStyleOptionViewItem&,
                     const QModelIndex&) override {
        return false;
    }

private:
    QImage placeholder_;
    int side_;
};

// The list view's rows as Qt draws them, without the view's own check
// handling: the page ticks by its rules.
class FolderRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    bool editorEvent(QEvent*, QAbstractItemModel*, const QStyleOptionViewItem&,
                     const QModelIndex&) override {
        return false;
    }
};
