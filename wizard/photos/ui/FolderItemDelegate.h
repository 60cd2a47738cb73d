#pragma once
// Draws one photo of the folder's thumbnail view: the 92 x 92 thumbnail (or
// the placeholder until it is made) with its check box in the top-left
// corner, framed when ticked, and the file name below it.

#include <QImage>
#include <QStyledItemDelegate>

class FolderItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit FolderItemDelegate(QObject* parent = nullptr);

    void setPlaceholder(const QImage& image) { placeholder_ = image; }
    // The size of every item (the view's grid).
    static QSize ItemSize(const QFontMetrics& metrics);

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
