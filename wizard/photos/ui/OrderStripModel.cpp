#include "wizard/photos/ui/OrderStripModel.h"

#include <QImage>
#include <QMimeData>
#include <QTextDocument>
#include <algorithm>

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

void OrderStripModel::photoMoved(int from, int to) {
    if (from == to || from < 0 || to < 0 || from >= count_ || to >= count_)
        return;
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    endMoveRows();
}

namespace {
// Which item of this strip is dragged; only the strip itself understands it.
const QString kDraggedItem = QStringLiteral("application/x-orlavo-order-item");
}  // namespace

Qt::ItemFlags OrderStripModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags base = QAbstractListModel::flags(index);
    return index.isValid() ? base | Qt::ItemIsDragEnabled : base | Qt::ItemIsDropEnabled;
}

QStringList OrderStripModel::mimeTypes() const {
    return {kDraggedItem};
}

QMimeData* OrderStripModel::mimeData(const QModelIndexList& indexes) const {
    if (indexes.isEmpty() || !indexes.first().isValid())
        return nullptr;
    auto* data = new QMimeData;
    data->setData(kDraggedItem, QByteArray::number(indexes.first().row()));
    return data;
}

bool OrderStripModel::dropMimeData(const QMimeData* data, Qt::DropAction, int row, int,
                                   const QModelIndex& parent) {
    if (!data || !data->hasFormat(kDraggedItem))
        return false;
    bool ok = false;
    const int from = data->data(kDraggedItem).toInt(&ok);
    if (!ok || from < 0 || from >= count_)
        return false;
    // Dropped on an item: its place; between items or after the last: that gap.
    int to = parent.isValid() ? parent.row() : (row < 0 ? count_ : row);
    if (!parent.isValid() && to > from)
        --to;
    to = std::clamp(to, 0, count_ - 1);
    if (to != from)
        emit moveRequested(from, to);
    // The page moves it; nothing is to be removed by the view afterwards.
    return false;
}

bool OrderStripModel::moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                               const QModelIndex& destinationParent, int destinationChild) {
    if (sourceParent.isValid() || destinationParent.isValid() || count != 1 || sourceRow < 0 ||
        sourceRow >= count_ || destinationChild < 0 || destinationChild > count_)
        return false;
    const int to = destinationChild > sourceRow ? destinationChild - 1 : destinationChild;
    if (to == sourceRow)
        return false;
    const int before = count_;
    emit moveRequested(sourceRow, to);
    return count_ == before;
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
