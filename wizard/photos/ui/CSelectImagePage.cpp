#include "wizard/photos/ui/CSelectImagePage.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
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
#include "wizard/photos/StripLayout.h"
#include "wizard/photos/ThumbnailLoader.h"
#include "wizard/photos/ThumbnailMaker.h"
#include "wizard/photos/ui/FolderItemDelegate.h"
#include "wizard/photos/ui/FolderModel.h"
#include "wizard/photos/ui/FolderTree.h"
#include "wizard/photos/ui/OrderStripList.h"
#include "wizard/photos/ui/OrderStripModel.h"
#include "wizard/photos/ui/PhotoBitmaps.h"

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

const QColor kCounterText(Qt::white);
const QColor kCounterBackground(0x80, 0x80, 0x80);

QLabel* Heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
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
    iconView_->setGridSize(FolderItemDelegate::ItemSize(iconView_->fontMetrics()));
    iconView_->setSelectionMode(QAbstractItemView::SingleSelection);
    iconView_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    iconView_->verticalScrollBar()->setSingleStep(24);
    listView_ = new QTreeView(viewTabs_);
    listView_->setObjectName("listView");
    listView_->setModel(model_);
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
    countLabel_ = Counter(app_.effects(), "countLabel", right);
    sizeLabel_ = Counter(app_.effects(), "sizeLabel", right);
    buttons->addWidget(selectAll_);
    buttons->addWidget(deselectAll_);
    buttons->addStretch(1);
    buttons->addWidget(countLabel_);
    buttons->addWidget(sizeLabel_);
    rightColumn->addLayout(buttons);

    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({250, 600});
    body()->addWidget(splitter, 1);

    orderTabs_ = new QTabWidget(this);
    orderTabs_->setObjectName("orderTabs");
    orderTabs_->setDocumentMode(true);
    strip_ = new OrderStripList(orderTabs_);
    strip_->setObjectName("orderStrip");
    stripModel_ = new OrderStripModel(app_.order, app_.selectedThumbnails, this);
    strip_->setModel(stripModel_);
    strip_->loadButtonPictures(dpr);
    orderTabs_->addTab(strip_, S(3204));
    orderTabs_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // "Remove All" stands at the right end of the "My Order" tab.
    removeAll_ = new QPushButton(S(1031), orderTabs_);
    removeAll_->setObjectName("removeAll");
    orderTabs_->setCornerWidget(removeAll_, Qt::TopRightCorner);
    body()->addWidget(orderTabs_);

    loader_ = new ThumbnailLoader(this);
    visibleTimer_.setSingleShot(true);
    visibleTimer_.setInterval(40);

    connect(tree_, &QTreeWidget::currentItemChanged, this, &CSelectImagePage::onFolderChanged);
    connect(iconView_, &QAbstractItemView::clicked, this, &CSelectImagePage::onItemClicked);
    connect(listView_, &QAbstractItemView::clicked, this, &CSelectImagePage::onItemClicked);
    connect(listView_->header(), &QHeaderView::sectionClicked, this,
            &CSelectImagePage::onHeaderClicked);
    connect(viewTabs_, &QTabWidget::currentChanged, this, [this] { visibleTimer_.start(); });
    connect(selectAll_, &QPushButton::clicked, this, &CSelectImagePage::selectAll);
    connect(deselectAll_, &QPushButton::clicked, this, &CSelectImagePage::deselectAll);
    connect(removeAll_, &QPushButton::clicked, this, &CSelectImagePage::removeAll);
    connect(strip_, &OrderStripList::buttonClicked, this, &CSelectImagePage::onStripButton,
            Qt::QueuedConnection);
    connect(loader_, &ThumbnailLoader::thumbnailReady, this, &CSelectImagePage::onThumbnail);
    connect(loader_, &ThumbnailLoader::finished, this, &CSelectImagePage::updateCounts);
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
    const std::string pictures =
        app_.registry().getText(orlavo::section::kUserDetails, "PicturesFolder");
    QTreeWidgetItem* item = tree_->findFolder(pictures);
    if (item) {
        item->setExpanded(true);
        tree_->setCurrentItem(item);
        tree_->scrollToItem(item, QAbstractItemView::PositionAtCenter);
    }
    tree_->setFocus();
    updateCounts();
    emit started();
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
    listView_->header()->setSortIndicator(FolderModel::kName, Qt::AscendingOrder);
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
    loader_->start(model_->paths(), devicePixelRatioF());
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
    if (id < std::size_t(model_->count()))
        model_->setThumbnail(id, thumbnail);
}

void CSelectImagePage::onItemClicked(const QModelIndex& index) {
    if (index.isValid())
        toggle(index.row());
}

void CSelectImagePage::toggle(int row) {
    if (row < 0 || row >= model_->count())
        return;
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
    // The thumbnail first, so that the order and its thumbnails stay in step.
    const QImage thumbnail = model_->thumbnail(id);
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
                const int angle = button == kTurnClockwise ? 9000 : -9000;
                // The order's photo turns with its thumbnail: the lab prints it turned.
                app_.order.TurnPhoto(photo, button == kTurnClockwise);
                app_.selectedThumbnails.replace(
                    photo, RotateThumbnail(app_.selectedThumbnails.forPhoto(photo), angle));
                stripModel_->thumbnailChanged(item);
                break;
            }
            case kRemove:
                removePhoto(photo, true);
                break;
            default:
                break;
        }
    }
    updateCounts();
}

void CSelectImagePage::selectAll() {
    if (app_.order.productCount() == 0) {
        app_.effects().beep();
        return;
    }
    WaitCursor wait;
    for (int row = 0; row < model_->count(); ++row) {
        const FolderModel::Item& item = model_->item(model_->idOfRow(row));
        if (item.ticked || !item.known || item.fileSize == 0)
            continue;
        model_->setTicked(row, true);
        addRow(row);
        ++checkedInFolder_;
    }
    updateCounts();
}

void CSelectImagePage::deselectAll() {
    WaitCursor wait;
    for (int row = 0; row < model_->count() && checkedInFolder_ >= 1; ++row) {
        if (!model_->ticked(row))
            continue;
        model_->setTicked(row, false);
        const int photo = app_.order.IndexOfPath(model_->item(model_->idOfRow(row)).path);
        if (photo >= 0)
            removePhoto(std::size_t(photo), false);
        --checkedInFolder_;
    }
    updateCounts();
}

void CSelectImagePage::removeAll() {
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
    FolderSortState state = model_->sortState();
    state.click(column);
    model_->sort(state);
    listView_->header()->setSortIndicator(column, state.ascending || column == FolderModel::kName
                                                      ? Qt::AscendingOrder
                                                      : Qt::DescendingOrder);
    visibleTimer_.start();
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
    return CWizardPage::eventFilter(watched, event);
}
