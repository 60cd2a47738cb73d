#pragma once
// The photos of the folder shown on the photo page, for its thumbnail view
// and its list view: name, thumbnail, size, pixel size, date and tick of
// each. Items keep their place in the folder's order (their id); the sort
// order only changes which row shows which item.
//
// Thumbnails are kept packed (PackThumbnail): a folder of 10,000 photos
// holds them all without hundreds of megabytes; the ones on screen are kept
// unpacked in a cache of bounded size.
//
// Window thread only. The page fills in what the thumbnail loader made.

#include <QAbstractTableModel>
#include <QCache>
#include <QIcon>
#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "wizard/photos/FolderSort.h"
#include "wizard/photos/PhotoFolder.h"
#include "wizard/photos/ThumbnailMaker.h"

class FolderModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kName, kSize, kDimensions, kModified, kColumns };
    // The thumbnail as a QImage; null until it is made.
    static constexpr int kThumbnailRole = Qt::UserRole + 1;

    struct Item {
        std::string path;
        QString name;
        bool known = false;  // the thumbnail is made and the values below are filled
        // Why the loader made no thumbnail (None while it has not tried).
        orlavo::wizard::PhotoRefusal refusal = orlavo::wizard::PhotoRefusal::None;
        std::uint64_t fileSize = 0;
        int width = 0;
        int height = 0;
        std::int64_t lastModified = 0;
        QByteArray packed;  // the thumbnail, packed; empty until it is made
        qreal ratio = 1.0;  // its device pixel ratio
        bool ticked = false;
    };

    explicit FolderModel(QObject* parent = nullptr);

    // The photos of a folder, in its order; every item unticked, nothing made.
    void setPhotos(const std::vector<orlavo::wizard::PhotoEntry>& photos);
    void clear();

    int count() const { return int(items_.size()); }
    // Item ID (its place in the folder's order).
    const Item& item(std::size_t id) const { return items_[id]; }
    std::size_t idOfRow(int row) const { return order_[std::size_t(row)]; }
    int rowOfId(std::size_t id) const { return rows_[id]; }
    // The paths in the folder's order, for the loader.
    std::vector<std::string> paths() const;
    // The row of the item with PATH, or -1.
    int rowOfPath(const std::string& path) const;

    // The thumbnail of item ID; null until it is made.
    QImage thumbnail(std::size_t id) const;
    // What the loader made of item ID; a failed thumbnail leaves it unknown,
    // with its reason kept for the tooltip.
    void setThumbnail(std::size_t id, const orlavo::wizard::PhotoThumbnail& thumbnail);
    void setTicked(int row, bool ticked);
    bool ticked(int row) const { return items_[idOfRow(row)].ticked; }

    // Sorts by a header click; SORT state after a folder change is column 0.
    void sort(orlavo::wizard::FolderSortState state);
    orlavo::wizard::FolderSortState sortState() const { return sort_; }

    // The small picture of each photo in the list view.
    void setSmallIcon(const QIcon& icon) { smallIcon_ = icon; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A tick asked for by other means than a click (a screen reader's
    // "toggle"): reported, and left to the page's rules.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    void tickRequested(int row);

private:
    void rowChanged(int row);

    std::vector<Item> items_;
    std::vector<std::size_t> order_;  // row -> id
    std::vector<int> rows_;           // id -> row
    orlavo::wizard::FolderSortState sort_;
    QIcon smallIcon_;
    mutable QCache<std::size_t, QImage> unpacked_;  // cost in KiB
};
