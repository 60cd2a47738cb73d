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

private:
    QImage placeholder_;
    int side_;
};
