#include "wizard/photos/ui/FolderTree.h"

#include <QDir>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QStyle>
#include <QTextDocument>
#include <filesystem>

#include "resources/WizardResources.h"
#include "wizard/photos/PhotoFolder.h"

using namespace orlavo::wizard;

namespace {

constexpr int kPathRole = Qt::UserRole + 1;    // the folder's path, as bytes
constexpr int kFilledRole = Qt::UserRole + 2;  // its children are listed

QString S(int id) {
    return QString::fromStdString(Str(id));
}

std::string Bytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// PATH made absolute and plain: no ".", "..", doubled or trailing "/".
std::string Normal(const std::string& path) {
    std::filesystem::path p = std::filesystem::path(path).lexically_normal();
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

// True when FOLDER is PATH or one of its ancestors, whole names only.
bool Contains(const std::string& folder, const std::string& path) {
    if (folder.empty() || path.compare(0, folder.size(), folder) != 0)
        return false;
    return path.size() == folder.size() || folder == "/" || path[folder.size()] == '/';
}

// Volumes a file manager offers: real devices mounted away from "/", ready.
bool IsUserVolume(const QStorageInfo& volume) {
    const QByteArray device = volume.device();
    const QString root = volume.rootPath();
    return volume.isValid() && volume.isReady() && !volume.isRoot() && device.startsWith("/dev/") &&
           !device.startsWith("/dev/loop") && !root.startsWith("/boot") &&
           !root.startsWith("/snap") && root != QDir::homePath();
}

}  // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Names are shown whole: a narrow tree scrolls sideways; the tip shows the
    // whole path. The column is as wide as the widest name shown, and never
    // narrower than the tree, so that a chosen folder is marked across it.
    header()->setSectionResizeMode(QHeaderView::Fixed);
    header()->setStretchLastSection(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTextElideMode(Qt::ElideNone);
    folderIcon_ = QFileIconProvider().icon(QFileIconProvider::Folder);
    connect(this, &QTreeWidget::itemExpanded, this, &FolderTree::fillChildren);
    connect(this, &QTreeWidget::itemExpanded, this, &FolderTree::fitColumn, Qt::QueuedConnection);
    connect(this, &QTreeWidget::itemCollapsed, this, &FolderTree::fitColumn, Qt::QueuedConnection);
}

void FolderTree::fitColumn() {
    setColumnWidth(0, std::max(viewport()->width(), sizeHintForColumn(0)));
}

void FolderTree::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    fitColumn();
}

void FolderTree::fill() {
    clear();
    const QFileIconProvider icons;
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    auto* root = new QTreeWidgetItem(this, {S(3209)});
    root->setIcon(0, icons.icon(QFileIconProvider::Desktop));
    root->setData(0, kPathRole, QDir(desktop).exists() ? QFile::encodeName(desktop) : QByteArray());
    root->setData(0, kFilledRole, true);
    root->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);

    const std::string home = Normal(Bytes(QDir::homePath()));
    addFolder(root, S(3210), home, !ListSubfolders(home).empty(),
              style()->standardIcon(QStyle::SP_DirHomeIcon));
    addFolder(root, S(3211), "/", true, icons.icon(QFileIconProvider::Computer));
    std::vector<QStorageInfo> volumes;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes())
        if (IsUserVolume(v))
            volumes.push_back(v);
    NameOrder::sort(volumes, [](const QStorageInfo& v) { return Bytes(v.displayName()); });
    for (const QStorageInfo& v : volumes) {
        const std::string path = Normal(Bytes(v.rootPath()));
        addFolder(root, v.displayName(), path, !ListSubfolders(path).empty(),
                  icons.icon(QFileIconProvider::Drive));
    }
}

std::string FolderTree::pathOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kPathRole).toByteArray().toStdString() : std::string();
}

QTreeWidgetItem* FolderTree::addFolder(QTreeWidgetItem* parent, const QString& text,
                                       const std::string& path, bool hasSubfolders,
                                       const QIcon& icon) {
    auto* item = new QTreeWidgetItem(parent, {text});
    item->setIcon(0, icon);
    // File names may look like markup; tooltips would render it.
    item->setToolTip(0, Qt::convertFromPlainText(DisplayName(path)));
    item->setData(0, kPathRole, QByteArray::fromStdString(path));
    item->setData(0, kFilledRole, false);
    item->setChildIndicatorPolicy(hasSubfolders ? QTreeWidgetItem::ShowIndicator
                                                : QTreeWidgetItem::DontShowIndicator);
    return item;
}

void FolderTree::fillChildren(QTreeWidgetItem* item) {
    if (!item || item->data(0, kFilledRole).toBool())
        return;
    item->setData(0, kFilledRole, true);
    for (const SubfolderEntry& f : ListSubfolders(pathOf(item)))
        addFolder(item, DisplayName(f.name), f.path, f.hasSubfolders, folderIcon_);
    if (item->childCount() == 0)
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

QTreeWidgetItem* FolderTree::findFolder(const std::string& wanted) {
    QTreeWidgetItem* item = root();
    if (!item || wanted.empty() || wanted.front() != '/')
        return item;
    const std::string path = Normal(wanted);
    // The root's child that holds the path most closely (a volume before "/").
    QTreeWidgetItem* best = nullptr;
    for (int i = 0; i < item->childCount(); ++i) {
        const std::string folder = pathOf(item->child(i));
        if (Contains(folder, path) && (!best || folder.size() > pathOf(best).size()))
            best = item->child(i);
    }
    if (!best)
        return item;
    item->setExpanded(true);
    item = best;
    // Then one name at a time, as long as the tree has it.
    for (;;) {
        const std::string here = pathOf(item);
        if (here.size() >= path.size())
            return item;
        const std::size_t from = here == "/" ? 1 : here.size() + 1;
        const std::size_t end = path.find('/', from);
        const std::string name = path.substr(from, end == std::string::npos ? end : end - from);
        fillChildren(item);
        const std::string child = JoinPath(here, name);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount() && !next; ++i)
            if (pathOf(item->child(i)) == child)
                next = item->child(i);
        // A hidden folder on the way is shown when it is the one asked for.
        std::error_code ec;
        if (!next && !name.empty() && name.front() == '.' &&
            std::filesystem::is_directory(child, ec))
            next = addFolder(item, DisplayName(name), child, true, folderIcon_);
        if (!next)
            return item;
        item->setExpanded(true);
        item = next;
    }
}
