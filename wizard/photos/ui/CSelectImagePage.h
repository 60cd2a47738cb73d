#pragma once
// Step 1 of the wizard: the user browses the folders, sees a folder's JPEG
// photos as thumbnails or as a detail list, ticks the photos to order and
// sees the selection as a strip of thumbnails with buttons to turn or drop
// each one. It adds photos to and removes them from the order, keeping
// selectedThumbnails in step; a folder's thumbnails are made in the
// background by the thumbnail loader, at the size the slider (or Ctrl and
// the wheel) chose. Select All, Deselect All, Remove All and a photo's
// remove button can be undone (Ctrl+Z, or "Undo" in the bar that tells what
// they did). The folder, the view, the sort and the size are remembered.
// Photos opened with the wizard, or dropped on the views or "My Order", are
// added to the order in the order given; "My Order" is reordered by
// dragging, Ctrl+Left and Ctrl+Right, or its menu. Thumbnails are shared
// with the desktop's cache unless Settings/ShareThumbnails is 0.

#include <QFileSystemWatcher>
#include <QImage>
#include <QTimer>
#include <string>

#include <memory>
#include <vector>

#include "wizard/photos/FolderSort.h"
#include "wizard/photos/PhotoIntake.h"
#include "wizard/photos/ui/SelectionUndo.h"

#include "wizard/app/CWizardApp.h"
#include "wizard/app/CWizardPage.h"

class CColorLabel;
class FolderItemDelegate;
class FolderModel;
class FolderTree;
class OrderStripList;
class OrderStripModel;
class PhotoIntakeLoader;
class QAbstractItemView;
class QListView;
class QModelIndex;
class QPushButton;
class QSlider;
class UndoBar;
class QTabWidget;
class QTreeView;
class QTreeWidgetItem;

namespace orlavo::wizard {
class SharedThumbnails;
class ThumbnailLoader;
struct PhotoThumbnail;
}  // namespace orlavo::wizard

class CSelectImagePage : public CWizardPage, public PhotoSelection {
    Q_OBJECT
public:
    explicit CSelectImagePage(CWizardApp& app, QWidget* parent = nullptr);
    ~CSelectImagePage() override;

    void onSetActive() override;
    // Refuses 0 photos and more than 197; otherwise gives photos without a
    // line the default line and goes on.
    bool onWizardNext() override;
    // Empties the order, the strip and the ticks (also "Order More Photos").
    void removeAll() override;
    // "Remove All": the same, with the offer to undo it.
    void removeAllUndoably();
    // Puts the order back as it was before the last undoable change.
    void undo();
    // Shows the folder of the first of FILES and adds them all to the order
    // (folders give their photos); what cannot be added is said in one message.
    void addFiles(const std::vector<std::string>& files) override;
    // Dropped PATHS, without a change of folder; REMOTE: web addresses came too.
    void addDropped(const std::vector<std::string>& paths, bool remote);
    PhotoIntakeLoader* intake() const { return intake_; }

    // Shows the folder at PATH (the deepest folder of the tree on its way).
    void openFolder(const std::string& path);
    // The folder shown, as the tree names it.
    std::string currentFolder() const;
    int checkedInFolder() const { return checkedInFolder_; }

    // Its parts, for tests and the screenshot tool.
    FolderTree* folderTree() const { return tree_; }
    QTabWidget* viewTabs() const { return viewTabs_; }
    QListView* thumbnailView() const { return iconView_; }
    QTreeView* listView() const { return listView_; }
    FolderModel* folderModel() const { return model_; }
    OrderStripList* orderStrip() const { return strip_; }
    orlavo::wizard::ThumbnailLoader* loader() const { return loader_; }
    QPushButton* selectAllButton() const { return selectAll_; }
    QPushButton* deselectAllButton() const { return deselectAll_; }
    QPushButton* removeAllButton() const { return removeAll_; }
    CColorLabel* countLabel() const { return countLabel_; }
    CColorLabel* sizeLabel() const { return sizeLabel_; }
    QSlider* thumbnailSizeSlider() const { return sizeSlider_; }
    UndoBar* undoBar() const { return undoBar_; }
    QTabWidget* orderTabs() const { return orderTabs_; }
    // The smallest side of "My Order"'s thumbnails in a short window.
    static constexpr int kSmallestStripSide = 48;

public slots:
    void selectAll();
    void deselectAll();

signals:
    // The tree is filled and the first folder is shown.
    void started();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void finishStart();
    void onFolderChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void showFolder(const std::string& path);
    void clearFolder();
    void onThumbnail(std::size_t id, const orlavo::wizard::PhotoThumbnail& thumbnail);
    void onItemClicked(const QModelIndex& index);
    // True when AT (in the list's viewport) lies on the check box, icon or
    // name of the listed photo INDEX: only there does a click tick it.
    bool onListedPhoto(const QModelIndex& index, QPoint at) const;
    void toggle(int row);
    void addRow(int row);
    void removePhoto(std::size_t photo, bool fromStrip);
    void onStripButton(int item, int button);
    void onStripMove(int from, int to);
    void takeFiles(const std::vector<std::string>& paths, bool remote);
    void onIntakePhoto(const std::string& path, const orlavo::wizard::PhotoThumbnail& thumbnail);
    void onIntakeDone(orlavo::wizard::IntakeOutcome outcome);
    // The desktop's thumbnail cache, or null when the user shares none.
    std::shared_ptr<const orlavo::wizard::SharedThumbnails> sharedThumbnails() const;
    void onHeaderClicked(int column);
    void onFolderWatched(const QString& path);
    void emptyOrder();
    void onLoaderFinished();
    void showSortIndicator();
    void rememberView();
    void setThumbnailSide(int side);
    void applyThumbnailSide(int side);
    void remakeThumbnails();
    QImage OrderSized(const QImage& thumbnail) const;
    // The file name of photo PHOTO of the order.
    QString photoName(std::size_t photo) const;
    void offerUndo(const QString& text);
    void forgetUndo();
    void fitOrderStrip();
    void syncWithOrder();
    void updateCounts();
    void askForVisible();
    bool eventFilter(QObject* watched, QEvent* event) override;
    QAbstractItemView* activeView() const;

    CWizardApp& app_;
    FolderTree* tree_;
    QTabWidget* viewTabs_;
    QListView* iconView_;
    QTreeView* listView_;
    FolderModel* model_;
    FolderItemDelegate* delegate_;
    QTabWidget* orderTabs_;
    OrderStripList* strip_;
    OrderStripModel* stripModel_;
    QPushButton* selectAll_;
    QPushButton* deselectAll_;
    QPushButton* removeAll_;
    CColorLabel* countLabel_;
    CColorLabel* sizeLabel_;
    QSlider* sizeSlider_;
    UndoBar* undoBar_;
    SelectionUndo undo_;
    orlavo::wizard::FolderSortState sortState_;
    QTimer resizeTimer_;
    bool remembering_ = false;
    orlavo::wizard::ThumbnailLoader* loader_;
    PhotoIntakeLoader* intake_;
    // Files opened before the tree was filled.
    std::vector<std::string> pendingOpen_;
    // Photos of the current intake left out because the order was full.
    std::size_t overLimit_ = 0;
    QFileSystemWatcher watcher_;
    QTimer visibleTimer_;
    // Where the last press or release in the list landed.
    QPoint listClickAt_;
    std::string folder_;
    bool folderShown_ = false;
    int checkedInFolder_ = 0;
    bool started_ = false;
};
