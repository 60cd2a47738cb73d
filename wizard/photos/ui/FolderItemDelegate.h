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

private:
    QImage placeholder_;
};
