#include "wizard/photos/ui/FolderModel.h"

#include <QDateTime>
#include <QLocale>
#include <QTextDocument>
#include <numeric>

#include "common/TextRules.h"
#include "resources/WizardResources.h"
#include "wizard/photos/SelectionTexts.h"

using orlavo::wizard::Str;

namespace {
QString S(int id) {
    return QString::fromStdString(Str(id));
}
}  // namespace

namespace {
// Unpacked thumbnails kept: several screens full at 200%.
constexpr qsizetype kUnpackedKiB = 48 * 1024;

qsizetype CostKiB(const QImage& image) {
    return std::max<qsizetype>(1, image.sizeInBytes() / 1024);
}

// Why a photo cannot be ticked, for its tooltip; empty when nothing is to be said.
QString RefusalText(const FolderModel::Item& item) {
    using orlavo::wizard::PhotoRefusal;
    switch (item.refusal) {
        case PhotoRefusal::TooLarge:
            return QString::fromStdString(orlavo::FillPlaceholders(
                Str(3215), {std::to_string(item.width), std::to_string(item.height)}));
        case PhotoRefusal::Damaged:
            return S(3216);
        case PhotoRefusal::Unreadable:
            return S(3217);
        case PhotoRefusal::None:
        case PhotoRefusal::Stopped:
            break;
    }
    return {};
}
}  // namespace

FolderModel::FolderModel(QObject* parent) : QAbstractTableModel(parent) {
    unpacked_.setMaxCost(kUnpackedKiB);
}

void FolderModel::setPhotos(const std::vector<orlavo::wizard::PhotoEntry>& photos) {
    beginResetModel();
    unpacked_.clear();
    items_.clear();
    items_.reserve(photos.size());
    for (const auto& p : photos) {
        Item item;
        item.path = p.path;
        item.name = orlavo::wizard::DisplayName(p.name);
        items_.push_back(std::move(item));
    }
    order_.resize(items_.size());
    std::iota(order_.begin(), order_.end(), std::size_t{0});
    rows_.resize(items_.size());
    std::iota(rows_.begin(), rows_.end(), 0);
    sort_ = {};
    endResetModel();
}

void FolderModel::clear() {
    setPhotos({});
}

std::vector<std::string> FolderModel::paths() const {
    std::vector<std::string> out;
    out.reserve(items_.size());
    for (const Item& i : items_)
        out.push_back(i.path);
    return out;
}

int FolderModel::rowOfPath(const std::string& path) const {
    for (std::size_t id = 0; id < items_.size(); ++id)
        if (items_[id].path == path)
            return rows_[id];
    return -1;
}

void FolderModel::setThumbnail(std::size_t id, const orlavo::wizard::PhotoThumbnail& t) {
    if (id >= items_.size())
        return;
    Item& item = items_[id];
    if (!t.ok()) {
        // Also for a photo shown already, whose data a later check found damaged.
        item.refusal = t.refusal;
        item.width = t.width;
        item.height = t.height;
        item.known = false;
        item.fileSize = 0;
        item.packed.clear();
        unpacked_.remove(id);
        rowChanged(rows_[id]);
        return;
    }
    item.refusal = orlavo::wizard::PhotoRefusal::None;
    item.known = true;
    item.fileSize = t.fileSize;
    item.width = t.width;
    item.height = t.height;
    item.lastModified = t.lastModified;
    item.packed = t.packed.isEmpty() ? orlavo::wizard::PackThumbnail(t.image) : t.packed;
    item.ratio = t.image.devicePixelRatio();
    unpacked_.insert(id, new QImage(t.image), CostKiB(t.image));
    rowChanged(rows_[id]);
}

QImage FolderModel::thumbnail(std::size_t id) const {
    if (id >= items_.size() || items_[id].packed.isEmpty())
        return {};
    if (const QImage* kept = unpacked_.object(id))
        return *kept;
    QImage image = orlavo::wizard::UnpackThumbnail(items_[id].packed, items_[id].ratio);
    if (!image.isNull())
        unpacked_.insert(id, new QImage(image), CostKiB(image));
    return image;
}

void FolderModel::setTicked(int row, bool ticked) {
    if (row < 0 || row >= count())
        return;
    items_[idOfRow(row)].ticked = ticked;
    rowChanged(row);
}

void FolderModel::sort(orlavo::wizard::FolderSortState state) {
    sort_ = state;
    std::vector<orlavo::wizard::FolderSortKeys> keys;
    keys.reserve(items_.size());
    for (const Item& i : items_)
        keys.push_back({i.known, i.fileSize, i.width, i.height, i.lastModified});
    std::vector<std::size_t> order = orlavo::wizard::SortedOrder(keys, state);
    if (order == order_)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Each persistent index (selection, current item) follows its item.
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> ids;
    ids.reserve(std::size_t(before.size()));
    for (const QModelIndex& index : before)
        ids.push_back(idOfRow(index.row()));
    order_ = std::move(order);
    for (std::size_t row = 0; row < order_.size(); ++row)
        rows_[order_[row]] = int(row);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype k = 0; k < before.size(); ++k)
        after << index(rows_[ids[std::size_t(k)]], before[k].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FolderModel::rowChanged(int row) {
    emit dataChanged(index(row, 0), index(row, kColumns - 1));
}

int FolderModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

int FolderModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant FolderModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return {};
    const Item& item = items_[idOfRow(index.row())];
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
            switch (column) {
                case kName:
                    return item.name;
                case kSize:
                    return item.known ? QString::fromStdString(
                                            orlavo::wizard::FileSizeText(item.fileSize, Str(150)))
                                      : QString();
                case kDimensions:
                    return item.known ? QString::fromStdString(
                                            orlavo::wizard::DimensionsText(item.width, item.height))
                                      : QString();
                case kModified:
                    return item.known && item.lastModified != 0
                               ? QLocale().toString(
                                     QDateTime::fromMSecsSinceEpoch(item.lastModified),
                                     QLocale::ShortFormat)
                               : QString();
            }
            return {};
        case Qt::ToolTipRole: {
            if (column != kName)
                return {};
            const QString why = RefusalText(item);
            // A name may look like markup, which a tooltip would render.
            return Qt::convertFromPlainText(why.isEmpty() ? item.name : item.name + '\n' + why);
        }
        case Qt::DecorationRole:
            return column == kName ? QVariant(smallIcon_) : QVariant();
        case Qt::CheckStateRole:
            return column == kName ? QVariant(item.ticked ? Qt::Checked : Qt::Unchecked)
                                   : QVariant();
        case Qt::TextAlignmentRole:
            return column == kSize || column == kDimensions
                       ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                       : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        case kThumbnailRole:
            return thumbnail(idOfRow(index.row()));
        default:
            return {};
    }
}

QVariant FolderModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole && section >= 0 && section < kColumns)
        return S(3205 + section);
    if (role == Qt::TextAlignmentRole)
        return section == kSize || section == kDimensions
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags FolderModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Checkable, so that a screen reader tells and can change the tick; the
    // page's rules decide (the views' own check handling is left out).
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return index.column() == kName ? flags | Qt::ItemIsUserCheckable : flags;
}

bool FolderModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != kName ||
        index.row() >= count())
        return false;
    const bool wanted = value.toInt() == Qt::Checked;
    if (wanted != ticked(index.row()))
        emit tickRequested(index.row());
    return true;
}
