#pragma once
// The folder tree of the photo page. Its root stands for the desktop and
// holds the home folder, the file system's root and the mounted volumes;
// every folder's children are listed when it is first expanded, hidden
// folders left out, in a file manager's order.

#include <QTreeWidget>
#include <string>

class FolderTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit FolderTree(QWidget* parent = nullptr);

    // Builds the root and its children (again, when called again).
    void fill();
    QTreeWidgetItem* root() const { return topLevelItemCount() ? topLevelItem(0) : nullptr; }

    // The folder an item stands for; for the root, the desktop folder (empty
    // when there is none).
    static std::string pathOf(const QTreeWidgetItem* item);

    // The deepest item on the way to PATH, found one name at a time and
    // expanding the items on the way; the root when nothing matches. Hidden
    // folders on the way are added, as the path asks for them.
    QTreeWidgetItem* findFolder(const std::string& path);

    // The column as wide as the widest name shown, at least the tree's width.
    void fitColumn();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fillChildren(QTreeWidgetItem* item);
    QTreeWidgetItem* addFolder(QTreeWidgetItem* parent, const QString& text,
                               const std::string& path, bool hasSubfolders, const QIcon& icon);
    QIcon folderIcon_;
};
