#pragma once
// The order strip's items: item k is photo k of the order and shows its
// thumbnail, image k + 1 of selectedThumbnails. After a photo is removed each
// later item shows its own thumbnail still, since both move down together.
//
// Window thread only. Whoever changes the order tells the model right after.
// An item dragged within the strip asks, by moveRequested(), to be moved.

#include <QAbstractListModel>

#include "wizard/photos/OrderModel.h"
#include "wizard/photos/ThumbnailList.h"

class OrderStripModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int kThumbnailRole = Qt::UserRole + 1;

    OrderStripModel(const orlavo::wizard::OrderModel& order,
                    const orlavo::wizard::ThumbnailList& thumbnails, QObject* parent = nullptr);

    void photoAdded(int index);
    void photoRemoved(int index);
    void thumbnailChanged(int index);
    void photoMoved(int from, int to);
    // Back in step with the order as a whole.
    void reset();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    // A view's own move: asked of the page, which moves the photo and tells photoMoved().
    bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                  const QModelIndex& destinationParent, int destinationChild) override;

signals:
    // Photo FROM dragged to place TO of the order.
    void moveRequested(int from, int to);

private:
    const orlavo::wizard::OrderModel& order_;
    const orlavo::wizard::ThumbnailList& thumbnails_;
    int count_ = 0;
};
