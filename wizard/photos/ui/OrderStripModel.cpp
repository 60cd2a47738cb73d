#include "wizard/photos/ui/OrderStripModel.h"

#include <QImage>
#include <QTextDocument>

#include "wizard/photos/PhotoFolder.h"

OrderStripModel::OrderStripModel(const orlavo::wizard::OrderModel& order,
                                 const orlavo::wizard::ThumbnailList& thumbnails, QObject* parent)
    : QAbstractListModel(parent),
      order_(order),
      thumbnails_(thumbnails),
      count_(int(order.PhotoCount())) {}

void OrderStripModel::photoAdded(int index) {
    beginInsertRows({}, index, index);
    ++count_;
    endInsertRows();
}

void OrderStripModel::photoRemoved(int index) {
    if (index < 0 || index >= count_)
        return;
    beginRemoveRows({}, index, index);
    --count_;
    endRemoveRows();
}

void OrderStripModel::thumbnailChanged(int index) {
    emit dataChanged(this->index(index), this->index(index));
}

void OrderStripModel::reset() {
    beginResetModel();
    count_ = int(order_.PhotoCount());
    endResetModel();
}

int OrderStripModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count_;
}

QVariant OrderStripModel::data(const QModelIndex& index, int role) const {
    const std::size_t photo = std::size_t(index.row());
    if (!index.isValid() || index.row() >= count_ || photo >= order_.PhotoCount())
        return {};
    if (role == kThumbnailRole)
        return thumbnails_.forPhoto(photo);
    if (role == Qt::ToolTipRole || role == Qt::AccessibleTextRole || role == Qt::DisplayRole) {
        const std::string& path = order_.photos()[photo].path;
        const QString name = orlavo::wizard::DisplayName(path.substr(path.find_last_of('/') + 1));
        // A tooltip renders what looks like markup; a file name is text.
        return role == Qt::ToolTipRole ? Qt::convertFromPlainText(name) : name;
    }
    return {};
}
