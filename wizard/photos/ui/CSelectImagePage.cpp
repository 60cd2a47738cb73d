#include "wizard/photos/ui/CSelectImagePage.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>
#include <filesystem>
#include <unordered_set>

#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "resources/WizardResources.h"
#include "wizard/app/AppEffects.h"
#include "wizard/app/CColorLabel.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/photos/SelectionTexts.h"
#include "wizard/photos/SharedThumbnails.h"
#include "wizard/photos/StripLayout.h"
#include "wizard/photos/ThumbnailLoader.h"
#include "wizard/photos/ThumbnailMaker.h"
#include "wizard/photos/ui/FolderItemDelegate.h"
#include "wizard/photos/ui/FolderModel.h"
#include "wizard/photos/ui/FolderTree.h"
#include "wizard/photos/ui/OrderStripList.h"
#include "wizard/photos/ui/OrderStripModel.h"
#include "wizard/photos/ui/PhotoBitmaps.h"
#include "wizard/photos/ui/PhotoDrops.h"
#include "wizard/photos/ui/PhotoViewMemory.h"
#include "wizard/photos/ui/UndoBar.h"

using namespace orlavo::wizard;

namespace {

QString S(int id) {
    return QString::fromStdString(Str(id));
}

// The wait cursor for as long as it lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

constexpr int kStrRemoved = 3281;
constexpr int kStrRemovedAll = 3282;
constexpr int kStrAdded = 3283;
constexpr int kStrThumbnailSize = 3284;
constexpr int kStrDeselected = 3285;
constexpr int kStrAddedOne = 3286;
// One wheel notch with Ctrl, and one step of the slider, in logical pixels.
constexpr int kSizeStep = 16;

const QColor kCounterText(Qt::white);
const QColor kCounterBackground(0x80, 0x80, 0x80);

QLabel* Heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

// A small picture of a photo, SIDE pixels, beside the size slider's ends.
QLabel* SizeMark(int side, qreal dpr, QWidget* parent) {
    QPixmap pm(QSize(side, side) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(0.5, side * 0.15, side - 1.0, side * 0.7);
    p.setPen(QPen(QColor(0x4a, 0x52, 0x60), 1));
    p.setBrush(QColor(0xe1, 0xe8, 0xf5));
    p.drawRoundedRect(frame, 1.5, 1.5);
    QPolygonF hill;
    hill << QPointF(frame.left() + 1, frame.bottom() - 0.5)
         << QPointF(frame.left() + side * 0.4, frame.top() + side * 0.3)
         << QPointF(frame.right() - 1, frame.bottom() - 0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4a, 0x52, 0x60));
    p.drawPolygon(hill);
    p.end();
    auto* label = new QLabel(parent);
    label->setPixmap(pm);
    return label;
}

CColorLabel* Counter(AppEffects& effects, const QString& name, QWidget* parent) {
    auto* label = new CColorLabel(effects, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setTextColor(kCounterText);
    label->setBackgroundColor(kCounterBackground);
    label->setContentsMargins(4, 3, 8, 3);
    // A counter is no address: a click on it opens nothing.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

}  // namespace

CSelectImagePage::CSelectImagePage(CWizardApp& app, QWidget* parent)
    : CWizardPage(S(3034), app.bannerPicture(), parent), app_(app) {
    setObjectName("step1");
    const qreal dpr = devicePixelRatioF();
    app_.selectedThumbnails.setPlaceholder(PlaceholderThumbnail(dpr));

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);

    auto* left = new QWidget(splitter);
    auto* leftColumn = new QVBoxLayout(left);
    leftColumn->setContentsMargins(0, 0, 0, 0);
    leftColumn->addWidget(Heading(S(3200), left));
    tree_ = new FolderTree(left);
    tree_->setObjectName("folderTree");
    tree_->setMinimumWidth(200);
    tree_->setAccessibleName(S(3200));
    leftColumn->addWidget(tree_, 1);

    auto* right = new QWidget(splitter);
    auto* rightColumn = new QVBoxLayout(right);
    rightColumn->setContentsMargins(0, 0, 0, 0);
    rightColumn->addWidget(Heading(S(3201), right));

    model_ = new FolderModel(this);
    model_->setSmallIcon(QIcon(QPixmap::fromImage(PhotoBitmap(202, dpr))));
    delegate_ = new FolderItemDelegate(this);
    delegate_->setPlaceholder(app_.selectedThumbnails.placeholder());

    viewTabs_ = new QTabWidget(right);
    viewTabs_->setObjectName("viewTabs");
    viewTabs_->setDocumentMode(true);
    iconView_ = new QListView(viewTabs_);
    iconView_->setObjectName("thumbnailView");
    iconView_->setAccessibleName(S(3201));
    iconView_->setModel(model_);
    iconView_->setItemDelegate(delegate_);
    iconView_->setViewMode(QListView::ListMode);
    iconView_->setFlow(QListView::LeftToRight);
    iconView_->setWrapping(true);
    iconView_->setResizeMode(QListView::Adjust);
    iconView_->setMovement(QListView::Static);
    iconView_->setUniformItemSizes(true);
    iconView_->setLayoutMode(QListView::Batched);
    iconView_->setBatchSize(1000);
    iconView_->setGridSize(FolderItemDelegate::ItemSize(iconView_->fontMetrics(), kThumbnailSide));
    iconView_->setSelectionMode(QAbstractItemView::SingleSelection);
    iconView_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    iconView_->verticalScrollBar()->setSingleStep(24);
    listView_ = new QTreeView(viewTabs_);
    listView_->setObjectName("listView");
    listView_->setAccessibleName(S(3201));
    listView_->setModel(model_);
    listView_->setItemDelegate(new FolderRowDelegate(listView_));
    listView_->setRootIsDecorated(false);
    listView_->setUniformRowHeights(true);
    listView_->setItemsExpandable(false);
    listView_->setAllColumnsShowFocus(true);
    listView_->setSelectionMode(QAbstractItemView::SingleSelection);
    listView_->header()->setSectionsClickable(true);
    listView_->header()->setSortIndicatorShown(true);
    listView_->header()->setSortIndicator(FolderModel::kName, Qt::AscendingOrder);
    listView_->header()->setStretchLastSection(true);
    const int widths[] = {170, 80, 130, 100};
    for (int c = 0; c < FolderModel::kColumns; ++c)
        listView_->setColumnWidth(c, widths[c]);
    viewTabs_->addTab(iconView_, S(3202));
    viewTabs_->addTab(listView_, S(3203));
    rightColumn->addWidget(viewTabs_, 1);

    auto* buttons = new QHBoxLayout();
    selectAll_ = new QPushButton(S(1033), right);
    deselectAll_ = new QPushButton(S(1034), right);
    selectAll_->setObjectName("selectAll");
    deselectAll_->setObjectName("deselectAll");
    sizeSlider_ = new QSlider(Qt::Horizontal, right);
    sizeSlider_->setObjectName("thumbnailSize");
    sizeSlider_->setRange(PhotoViewMemory::kSmallest, PhotoViewMemory::kLargest);
    sizeSlider_->setSingleStep(kSizeStep);
    sizeSlider_->setPageStep(kSizeStep * 4);
    sizeSlider_->setValue(kThumbnailSide);
    sizeSlider_->setAccessibleName(S(kStrThumbnailSize));
    sizeSlider_->setToolTip(S(kStrThumbnailSize));
    sizeSlider_->setMaximumWidth(160);
    sizeSlider_->setMinimumWidth(60);
    buttons->addWidget(selectAll_);
    buttons->addWidget(deselectAll_);
    buttons->addStretch(1);
    buttons->addWidget(SizeMark(12, dpr, right));
    buttons->addWidget(sizeSlider_, 1);
    buttons->addWidget(SizeMark(18, dpr, right));
    rightColumn->addLayout(buttons);

    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({250, 600});
    body()->addWidget(splitter, 1);

    undoBar_ = new UndoBar(this);
    body()->addWidget(undoBar_);

    // "My Order": the strip, and beside it the counts and "Remove All", all
    // inside the tab's frame.
    orderTabs_ = new QTabWidget(this);
    orderTabs_->setObjectName("orderTabs");
    orderTabs_->setDocumentMode(true);
    auto* orderPage = new QWidget(orderTabs_);
    orderPage->setObjectName("orderPage");
    auto* orderRow = new QHBoxLayout(orderPage);
    orderRow->setContentsMargins(0, 4, 0, 0);
    orderRow->setSpacing(8);
    strip_ = new OrderStripList(orderPage);
    strip_->setObjectName("orderStrip");
    strip_->setAccessibleName(S(3204));
    stripModel_ = new OrderStripModel(app_.order, app_.selectedThumbnails, this);
    strip_->setModel(stripModel_);
    strip_->loadButtonPictures(dpr);
    orderRow->addWidget(strip_, 1);
    auto* orderSide = new QVBoxLayout();
    orderSide->setSpacing(6);
    auto* counts = new QHBoxLayout();
    counts->setSpacing(4);
    countLabel_ = Counter(app_.effects(), "countLabel", orderPage);
    sizeLabel_ = Counter(app_.effects(), "sizeLabel", orderPage);
    counts->addWidget(countLabel_);
    counts->addWidget(sizeLabel_);
    orderSide->addLayout(counts);
    removeAll_ = new QPushButton(S(1031), orderPage);
    removeAll_->setObjectName("removeAll");
    orderSide->addWidget(removeAll_, 0, Qt::AlignRight);
    orderSide->addStretch(1);
    orderRow->addLayout(orderSide);
    orderTabs_->addTab(orderPage, S(3204));
    orderTabs_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    body()->addWidget(orderTabs_);

    loader_ = new ThumbnailLoader(this);
    intake_ = new PhotoIntakeLoader(this);
    visibleTimer_.setSingleShot(true);
    visibleTimer_.setInterval(40);

    connect(tree_, &QTreeWidget::currentItemChanged, this, &CSelectImagePage::onFolderChanged);
    connect(iconView_, &QAbstractItemView::clicked, this, &CSelectImagePage::onItemClicked);
    connect(listView_, &QAbstractItemView::clicked, this, &CSelectImagePage::onItemClicked);
    connect(model_, &FolderModel::tickRequested, this, &CSelectImagePage::toggle);
    connect(listView_->header(), &QHeaderView::sectionClicked, this,
            &CSelectImagePage::onHeaderClicked);
    connect(viewTabs_, &QTabWidget::currentChanged, this, [this] {
        visibleTimer_.start();
        rememberView();
    });
    connect(selectAll_, &QPushButton::clicked, this, &CSelectImagePage::selectAll);
    connect(deselectAll_, &QPushButton::clicked, this, &CSelectImagePage::deselectAll);
    connect(removeAll_, &QPushButton::clicked, this, &CSelectImagePage::removeAllUndoably);
    connect(undoBar_, &UndoBar::undoRequested, this, &CSelectImagePage::undo);
    auto* undoKey = new QShortcut(QKeySequence::Undo, this);
    undoKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(undoKey, &QShortcut::activated, this, &CSelectImagePage::undo);
    connect(sizeSlider_, &QSlider::valueChanged, this, &CSelectImagePage::setThumbnailSide);
    resizeTimer_.setSingleShot(true);
    resizeTimer_.setInterval(150);
    connect(&resizeTimer_, &QTimer::timeout, this, &CSelectImagePage::remakeThumbnails);
    connect(strip_, &OrderStripList::buttonClicked, this, &CSelectImagePage::onStripButton,
            Qt::QueuedConnection);
    connect(strip_, &OrderStripList::moveRequested, this, &CSelectImagePage::onStripMove);
    connect(stripModel_, &OrderStripModel::moveRequested, this, &CSelectImagePage::onStripMove);
    connect(intake_, &PhotoIntakeLoader::photoMade, this, &CSelectImagePage::onIntakePhoto);
    connect(intake_, &PhotoIntakeLoader::done, this, &CSelectImagePage::onIntakeDone);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(iconView_), static_cast<QAbstractItemView*>(listView_),
          static_cast<QAbstractItemView*>(strip_)})
        connect(new PhotoDropFilter(view), &PhotoDropFilter::dropped, this,
                &CSelectImagePage::addDropped);
    connect(loader_, &ThumbnailLoader::thumbnailReady, this, &CSelectImagePage::onThumbnail);
    connect(loader_, &ThumbnailLoader::finished, this, &CSelectImagePage::onLoaderFinished);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this,
            &CSelectImagePage::onFolderWatched);
    connect(&visibleTimer_, &QTimer::timeout, this, &CSelectImagePage::askForVisible);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(iconView_), static_cast<QAbstractItemView*>(listView_)}) {
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
        connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this,
                [this] { visibleTimer_.start(); });
    }

    app_.registerPhotoSelection(this);
    updateCounts();
}

CSelectImagePage::~CSelectImagePage() {
    remembering_ = false;
    app_.registerPhotoSelection(nullptr);
    loader_->stop();
}

void CSelectImagePage::showEvent(QShowEvent* event) {
    CWizardPage::showEvent(event);
    if (!started_) {
        started_ = true;
        // The tree is filled once the window shows.
        QTimer::singleShot(0, this, &CSelectImagePage::finishStart);
    }
}

void CSelectImagePage::finishStart() {
    WaitCursor wait;
    tree_->fill();
    // The folder of the last run when it is still there, else the Preferences' one.
    const PhotoViewMemory memory = PhotoViewMemory::Load(app_.registry());
    sortState_.column = memory.sortColumn;
    sortState_.ascending = memory.ascending;
    {
        const QSignalBlocker quiet(sizeSlider_);
        sizeSlider_->setValue(memory.thumbnailSide);
    }
    applyThumbnailSide(memory.thumbnailSide);
    viewTabs_->setCurrentIndex(memory.view);
    std::error_code ec;
    std::string pictures =
        !memory.folder.empty() && std::filesystem::is_directory(memory.folder, ec)
            ? memory.folder
            : app_.registry().getText(orlavo::section::kUserDetails, "PicturesFolder");
    // Opened with photos: their folder.
    if (!pendingOpen_.empty()) {
        const std::string& first = pendingOpen_.front();
        pictures =
            std::filesystem::is_directory(first, ec) ? first : first.substr(0, first.rfind('/'));
    }
    QTreeWidgetItem* item = tree_->findFolder(pictures);
    if (item) {
        item->setExpanded(true);
        tree_->setCurrentItem(item);
        tree_->scrollToItem(item, QAbstractItemView::PositionAtCenter);
    }
    tree_->setFocus();
    tree_->fitColumn();
    updateCounts();
    remembering_ = true;
    if (!pendingOpen_.empty())
        takeFiles(std::exchange(pendingOpen_, {}), false);
    emit started();
}

void CSelectImagePage::addFiles(const std::vector<std::string>& files) {
    if (files.empty())
        return;
    if (!started_ || !remembering_) {
        pendingOpen_.insert(pendingOpen_.end(), files.begin(), files.end());
        return;
    }
    std::error_code ec;
    const std::string& first = files.front();
    openFolder(std::filesystem::is_directory(first, ec) ? first
                                                        : first.substr(0, first.rfind('/')));
    takeFiles(files, false);
}

void CSelectImagePage::addDropped(const std::vector<std::string>& paths, bool remote) {
    takeFiles(paths, remote);
}

void CSelectImagePage::takeFiles(const std::vector<std::string>& paths, bool remote) {
    forgetUndo();
    intake_->setSharedThumbnails(sharedThumbnails());
    intake_->take(paths, remote, devicePixelRatioF(), kThumbnailSide);
}

void CSelectImagePage::onIntakePhoto(const std::string& path, const PhotoThumbnail& thumbnail) {
    // An order without products takes no photos, as a tick would not.
    if (app_.order.productCount() == 0 || app_.order.IndexOfPath(path) >= 0)
        return;
    if (app_.order.PhotoCount() >= kMaxOrderPhotos) {
        ++overLimit_;
        return;
    }
    app_.selectedThumbnails.append(OrderSized(thumbnail.image));
    const std::size_t photo = app_.order.AddPhoto(path, 0, thumbnail.fileSize, thumbnail.width,
                                                  thumbnail.height, kThumbnailSide, kThumbnailSide);
    stripModel_->photoAdded(int(photo));
    strip_->scrollTo(stripModel_->index(int(photo)));
    const int row = model_->rowOfPath(path);
    if (row >= 0 && !model_->ticked(row)) {
        model_->setTicked(row, true);
        ++checkedInFolder_;
    }
    updateCounts();
}

void CSelectImagePage::onIntakeDone(IntakeOutcome outcome) {
    outcome.overLimit = std::exchange(overLimit_, 0);
    if (app_.order.productCount() == 0)
        app_.effects().beep();
    const std::string message = IntakeMessage(outcome, kMaxOrderPhotos, Str);
    if (!message.empty())
        app_.ShowAppMessage(DisplayName(message), QMessageBox::Warning, QMessageBox::Ok);
}

std::shared_ptr<const SharedThumbnails> CSelectImagePage::sharedThumbnails() const {
    if (app_.registry().getNumber(orlavo::section::kSettings, "ShareThumbnails", 1) == 0)
        return nullptr;
    return std::make_shared<const SharedThumbnails>(SharedThumbnails::DefaultRoot(),
                                                    app_.programVersion());
}

void CSelectImagePage::openFolder(const std::string& path) {
    QTreeWidgetItem* item = tree_->findFolder(path);
    if (!item)
        return;
    if (item == tree_->currentItem())
        showFolder(FolderTree::pathOf(item));
    else
        tree_->setCurrentItem(item);
}

std::string CSelectImagePage::currentFolder() const {
    return folder_;
}

void CSelectImagePage::onFolderChanged(QTreeWidgetItem* current, QTreeWidgetItem*) {
    if (current)
        showFolder(FolderTree::pathOf(current));
}

void CSelectImagePage::showFolder(const std::string& path) {
    WaitCursor wait;
    // The old folder's loader stops before its items go.
    loader_->stop();
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    folder_ = path;
    model_->setPhotos(path.empty() ? std::vector<PhotoEntry>{} : ListPhotos(path));
    // The sort the user chose; its values come as the thumbnails are made.
    model_->sort(sortState_);
    showSortIndicator();
    rememberView();
    if (!path.empty())
        watcher_.addPath(DisplayName(path));

    // Photos of the order in this folder show ticked again.
    std::unordered_set<std::string> selected;
    for (const SelectedPhoto& p : app_.order.photos())
        selected.insert(p.path);
    checkedInFolder_ = 0;
    for (int row = 0; row < model_->count(); ++row) {
        if (selected.count(model_->item(model_->idOfRow(row)).path)) {
            model_->setTicked(row, true);
            ++checkedInFolder_;
        }
    }
    loader_->setSharedThumbnails(sharedThumbnails());
    loader_->start(model_->paths(), devicePixelRatioF(), {}, delegate_->side());
    updateCounts();
    visibleTimer_.start();
}

void CSelectImagePage::clearFolder() {
    loader_->stop();
    model_->clear();
    checkedInFolder_ = 0;
    updateCounts();
}

void CSelectImagePage::onFolderWatched(const QString&) {
    // A folder that disappears while shown leaves the view empty.
    std::error_code ec;
    if (!folder_.empty() && !std::filesystem::is_directory(folder_, ec))
        clearFolder();
}

void CSelectImagePage::onThumbnail(std::size_t id, const PhotoThumbnail& thumbnail) {
    if (id >= std::size_t(model_->count()))
        return;
    // A photo ticked before its data was found damaged leaves the order.
    if (!thumbnail.ok() && model_->item(id).ticked)
        toggle(model_->rowOfId(id));
    model_->setThumbnail(id, thumbnail);
}

void CSelectImagePage::onItemClicked(const QModelIndex& index) {
    // In the list a click elsewhere on the row only selects it, to look at it.
    if (sender() == listView_ && !onListedPhoto(index, listClickAt_))
        return;
    if (index.isValid())
        toggle(index.row());
}

bool CSelectImagePage::onListedPhoto(const QModelIndex& index, QPoint at) const {
    if (!index.isValid() || index.column() != FolderModel::kName)
        return false;
    // The check box, the icon and the name, as the row draws them.
    QStyleOptionViewItem option;
    option.initFrom(listView_);
    option.decorationSize = listView_->iconSize().isValid()
                                ? listView_->iconSize()
                                : QSize(listView_->style()->pixelMetric(QStyle::PM_SmallIconSize),
                                        listView_->style()->pixelMetric(QStyle::PM_SmallIconSize));
    option.features |= QStyleOptionViewItem::HasCheckIndicator |
                       QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
    const int width = listView_->itemDelegateForIndex(index)->sizeHint(option, index).width();
    const QRect cell = listView_->visualRect(index);
    return at.x() >= cell.left() && at.x() < cell.left() + width;
}

void CSelectImagePage::toggle(int row) {
    if (row < 0 || row >= model_->count())
        return;
    forgetUndo();
    if (app_.order.productCount() == 0) {
        app_.effects().beep();
        return;
    }
    const FolderModel::Item& item = model_->item(model_->idOfRow(row));
    if (!item.ticked) {
        // Only a photo whose thumbnail is made can be ordered.
        if (!item.known || item.fileSize == 0) {
            app_.effects().beep();
            return;
        }
        ++checkedInFolder_;
        model_->setTicked(row, true);
        addRow(row);
    } else {
        --checkedInFolder_;
        model_->setTicked(row, false);
        const int photo = app_.order.IndexOfPath(item.path);
        if (photo >= 0)
            removePhoto(std::size_t(photo), false);
    }
    updateCounts();
}

void CSelectImagePage::addRow(int row) {
    const std::size_t id = model_->idOfRow(row);
    const FolderModel::Item& item = model_->item(id);
    if (app_.order.IndexOfPath(item.path) >= 0)
        return;
    // The thumbnail first, so that the order and its thumbnails stay in step;
    // the order keeps it at its own size, whatever size the view shows.
    const QImage thumbnail = OrderSized(model_->thumbnail(id));
    app_.selectedThumbnails.append(thumbnail.isNull() ? app_.selectedThumbnails.placeholder()
                                                      : thumbnail);
    const std::size_t photo = app_.order.AddPhoto(item.path, 0, item.fileSize, item.width,
                                                  item.height, kThumbnailSide, kThumbnailSide);
    stripModel_->photoAdded(int(photo));
    strip_->scrollTo(stripModel_->index(int(photo)));
}

void CSelectImagePage::removePhoto(std::size_t photo, bool fromStrip) {
    if (photo >= app_.order.PhotoCount())
        return;
    if (fromStrip) {
        const int row = model_->rowOfPath(app_.order.photos()[photo].path);
        if (row >= 0 && model_->ticked(row)) {
            model_->setTicked(row, false);
            --checkedInFolder_;
        }
    }
    app_.selectedThumbnails.removeAt(photo);
    app_.order.RemovePhotoAt(photo);
    stripModel_->photoRemoved(int(photo));
}

void CSelectImagePage::onStripButton(int item, int button) {
    if (item >= 0 && std::size_t(item) < app_.order.PhotoCount()) {
        const std::size_t photo = std::size_t(item);
        switch (button) {
            case kTurnClockwise:
            case kTurnCounterClockwise: {
                forgetUndo();
                const int angle = button == kTurnClockwise ? 9000 : -9000;
                // The order's photo turns with its thumbnail: the lab prints it turned.
                app_.order.TurnPhoto(photo, button == kTurnClockwise);
                app_.selectedThumbnails.replace(
                    photo, RotateThumbnail(app_.selectedThumbnails.forPhoto(photo), angle));
                stripModel_->thumbnailChanged(item);
                break;
            }
            case kRemove: {
                const QString text = S(kStrRemoved).arg(photoName(photo));
                undo_.remember(app_.order, app_.selectedThumbnails);
                removePhoto(photo, true);
                offerUndo(text);
                break;
            }
            default:
                break;
        }
    }
    updateCounts();
}

void CSelectImagePage::onStripMove(int from, int to) {
    const std::size_t count = app_.order.PhotoCount();
    if (from < 0 || to < 0 || std::size_t(from) >= count || std::size_t(to) >= count || from == to)
        return;
    forgetUndo();
    app_.order.MovePhoto(std::size_t(from), std::size_t(to));
    app_.selectedThumbnails.move(std::size_t(from), std::size_t(to));
    stripModel_->photoMoved(from, to);
    strip_->setCurrentIndex(stripModel_->index(to));
}

void CSelectImagePage::selectAll() {
    if (app_.order.productCount() == 0) {
        app_.effects().beep();
        return;
    }
    WaitCursor wait;
    undo_.remember(app_.order, app_.selectedThumbnails);
    const std::size_t before = app_.order.PhotoCount();
    for (int row = 0; row < model_->count(); ++row) {
        const FolderModel::Item& item = model_->item(model_->idOfRow(row));
        if (item.ticked || !item.known || item.fileSize == 0)
            continue;
        model_->setTicked(row, true);
        addRow(row);
        ++checkedInFolder_;
    }
    const std::size_t added = app_.order.PhotoCount() - before;
    if (added == 1)
        offerUndo(S(kStrAddedOne).arg(photoName(before)));
    else if (added > 1)
        offerUndo(S(kStrAdded).arg(added));
    else
        forgetUndo();
    updateCounts();
}

void CSelectImagePage::deselectAll() {
    WaitCursor wait;
    undo_.remember(app_.order, app_.selectedThumbnails);
    const std::size_t before = app_.order.PhotoCount();
    for (int row = 0; row < model_->count() && checkedInFolder_ >= 1; ++row) {
        if (!model_->ticked(row))
            continue;
        model_->setTicked(row, false);
        const int photo = app_.order.IndexOfPath(model_->item(model_->idOfRow(row)).path);
        if (photo >= 0)
            removePhoto(std::size_t(photo), false);
        --checkedInFolder_;
    }
    const std::size_t removed = before - app_.order.PhotoCount();
    if (removed == 1)
        forgetUndo();  // one untick is undone by a tick
    else if (removed > 1)
        offerUndo(S(kStrDeselected).arg(removed));
    else
        forgetUndo();
    updateCounts();
}

void CSelectImagePage::removeAllUndoably() {
    const std::size_t photos = app_.order.PhotoCount();
    if (photos == 0)
        return;
    const QString text =
        photos == 1 ? S(kStrRemoved).arg(photoName(0)) : S(kStrRemovedAll).arg(photos);
    undo_.remember(app_.order, app_.selectedThumbnails);
    emptyOrder();
    offerUndo(text);
}

void CSelectImagePage::removeAll() {
    forgetUndo();
    emptyOrder();
}

void CSelectImagePage::emptyOrder() {
    app_.order.RemoveAll();
    app_.selectedThumbnails.clear();
    stripModel_->reset();
    for (int row = 0; row < model_->count(); ++row)
        if (model_->ticked(row))
            model_->setTicked(row, false);
    checkedInFolder_ = 0;
    updateCounts();
}

void CSelectImagePage::onHeaderClicked(int column) {
    sortState_ = model_->sortState();
    sortState_.click(column);
    model_->sort(sortState_);
    showSortIndicator();
    rememberView();
    visibleTimer_.start();
}

void CSelectImagePage::showSortIndicator() {
    const int column = sortState_.column;
    listView_->header()->setSortIndicator(
        column, sortState_.ascending || column == FolderModel::kName ? Qt::AscendingOrder
                                                                     : Qt::DescendingOrder);
}

void CSelectImagePage::syncWithOrder() {
    stripModel_->reset();
    std::unordered_set<std::string> selected;
    for (const SelectedPhoto& p : app_.order.photos())
        selected.insert(p.path);
    checkedInFolder_ = 0;
    for (int row = 0; row < model_->count(); ++row) {
        const bool ticked = selected.count(model_->item(model_->idOfRow(row)).path) > 0;
        if (ticked != model_->ticked(row))
            model_->setTicked(row, ticked);
        checkedInFolder_ += ticked ? 1 : 0;
    }
}

void CSelectImagePage::onSetActive() {
    countLabel_->setTextColor(kCounterText);
    countLabel_->setBackgroundColor(kCounterBackground);
    sizeLabel_->setTextColor(kCounterText);
    sizeLabel_->setBackgroundColor(kCounterBackground);
    if (sheet())
        sheet()->layoutWithoutBack();
    syncWithOrder();
    updateCounts();
}

bool CSelectImagePage::onWizardNext() {
    forgetUndo();
    if (const int refusal = StepOneRefusal(app_.order.PhotoCount())) {
        app_.ShowAppMessageId(refusal, QMessageBox::Warning, QMessageBox::Ok);
        return false;
    }
    WaitCursor wait;
    if (sheet())
        sheet()->layoutWithBack();
    orlavo::RegistryStore& reg = app_.registry();
    app_.order.ApplyDefaultLine(reg.getNumber(orlavo::section::kUserDetails, "ProductTypeIndex"),
                                reg.getNumber(orlavo::section::kUserDetails, "ProdQuantity"));
    return true;
}

void CSelectImagePage::updateCounts() {
    const std::size_t photos = app_.order.PhotoCount();
    sizeLabel_->setText(
        QString::fromStdString(SizeLabelText(app_.order.selectedBytes(), Str(150), Str(151))));
    countLabel_->setText(QString::fromStdString(CountLabelText(
        photos, std::size_t(std::max(checkedInFolder_, 0)), Str(143), Str(144), Str(174))));
    selectAll_->setEnabled(!loader_->running() && checkedInFolder_ < model_->count());
    deselectAll_->setEnabled(checkedInFolder_ >= 1);
    removeAll_->setEnabled(photos >= 1);
    if (sheet() && sheet()->activePage() == this)
        sheet()->nextButton()->setEnabled(photos >= 1);
}

QAbstractItemView* CSelectImagePage::activeView() const {
    return viewTabs_->currentIndex() == 0 ? static_cast<QAbstractItemView*>(iconView_)
                                          : static_cast<QAbstractItemView*>(listView_);
}

void CSelectImagePage::askForVisible() {
    if (!loader_->running() || model_->count() == 0)
        return;
    QAbstractItemView* view = activeView();
    const QRect area = view->viewport()->rect();
    const QModelIndex first = view->indexAt(area.topLeft() + QPoint(2, 2));
    std::vector<std::size_t> wanted;
    for (int row = first.isValid() ? first.row() : 0; row < model_->count(); ++row) {
        const QRect r = view->visualRect(model_->index(row, 0));
        if (r.top() > area.bottom() || wanted.size() >= 500)
            break;
        const std::size_t id = model_->idOfRow(row);
        if (r.intersects(area) && !model_->item(id).known)
            wanted.push_back(id);
    }
    loader_->prioritize(wanted);
}

bool CSelectImagePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == listView_->viewport() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease))
        listClickAt_ = static_cast<QMouseEvent*>(event)->position().toPoint();
    if (event->type() == QEvent::KeyPress && (watched == iconView_ || watched == listView_)) {
        // Space ticks the current photo, as a click does.
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
            const QModelIndex current = static_cast<QAbstractItemView*>(watched)->currentIndex();
            if (current.isValid())
                toggle(current.row());
            return true;
        }
    }
    if (event->type() == QEvent::Resize)
        visibleTimer_.start();
    // Ctrl and the wheel over the thumbnails make them larger or smaller.
    if (event->type() == QEvent::Wheel && watched == iconView_->viewport()) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int notches = wheel->angleDelta().y() / 120;
            if (notches != 0)
                sizeSlider_->setValue(sizeSlider_->value() + notches * kSizeStep);
            return true;
        }
    }
    return CWizardPage::eventFilter(watched, event);
}

void CSelectImagePage::onLoaderFinished() {
    // A sort by the photos' values is made again once they are all known.
    if (sortState_.column != FolderModel::kName)
        model_->sort(sortState_);
    updateCounts();
}

void CSelectImagePage::rememberView() {
    if (!remembering_)
        return;
    PhotoViewMemory memory;
    memory.folder = folder_;
    memory.view = viewTabs_->currentIndex() == 1 ? 1 : 0;
    memory.sortColumn = sortState_.column;
    memory.ascending = sortState_.ascending;
    memory.thumbnailSide = delegate_->side();
    memory.save(app_.registry());
}

void CSelectImagePage::setThumbnailSide(int side) {
    applyThumbnailSide(side);
    rememberView();
    // Made again at the new size once the slider rests.
    resizeTimer_.start();
}

void CSelectImagePage::applyThumbnailSide(int side) {
    side = std::clamp(side, int(PhotoViewMemory::kSmallest), int(PhotoViewMemory::kLargest));
    if (side == delegate_->side())
        return;
    delegate_->setSide(side);
    iconView_->setGridSize(FolderItemDelegate::ItemSize(iconView_->fontMetrics(), side));
    iconView_->doItemsLayout();
    visibleTimer_.start();
}

void CSelectImagePage::remakeThumbnails() {
    if (model_->count() == 0)
        return;
    // The photos on screen first; the others follow.
    loader_->setSharedThumbnails(sharedThumbnails());
    loader_->start(model_->paths(), devicePixelRatioF(), {}, delegate_->side());
    updateCounts();
    visibleTimer_.start();
}

QImage CSelectImagePage::OrderSized(const QImage& thumbnail) const {
    if (thumbnail.isNull())
        return thumbnail;
    const qreal dpr = thumbnail.devicePixelRatio();
    const int side = qRound(kThumbnailSide * dpr);
    if (thumbnail.width() <= side && thumbnail.height() <= side)
        return thumbnail;
    QImage small = thumbnail.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    small.setDevicePixelRatio(dpr);
    return small;
}

QString CSelectImagePage::photoName(std::size_t photo) const {
    return stripModel_->data(stripModel_->index(int(photo)), Qt::DisplayRole).toString();
}

void CSelectImagePage::offerUndo(const QString& text) {
    undoBar_->offer(text);
}

void CSelectImagePage::forgetUndo() {
    undo_.forget();
    undoBar_->withdraw();
}

void CSelectImagePage::undo() {
    if (!undo_.restore(app_.order, app_.selectedThumbnails))
        return;
    undoBar_->withdraw();
    syncWithOrder();
    updateCounts();
}

void CSelectImagePage::resizeEvent(QResizeEvent* event) {
    CWizardPage::resizeEvent(event);
    fitOrderStrip();
}

void CSelectImagePage::fitOrderStrip() {
    // "My Order" takes about a quarter of the page's height at most: in a
    // short window its thumbnails get smaller, so that the photos keep their room.
    const int around = strip_->sizeHint().height() - strip_->itemSize().height();
    const int others = orderTabs_->sizeHint().height() - strip_->sizeHint().height();
    const int room = height() / 4 - others - around;
    const int extra = strip_->itemSize().height() - strip_->thumbnailSide();
    strip_->setThumbnailSide(
        std::clamp(room - extra, int(kSmallestStripSide), int(kThumbnailSide)));
}
