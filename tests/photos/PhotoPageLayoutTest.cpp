// Step 1 at the window's least size and maximised, the names of photos, the
// undo of changes to the order, what is remembered between runs, and
// thumbnails shown larger.

#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QWheelEvent>

#include "tests/photos/PhotoPageTestSupport.h"
#include "wizard/photos/ui/FolderItemDelegate.h"
#include "wizard/photos/ui/UndoBar.h"

namespace {

namespace fs = std::filesystem;
using orlavo::test::TempDir;

// Within the rectangle of OUTER, both in global coordinates.
bool Inside(const QWidget* inner, const QWidget* outer) {
    const QRect a(inner->mapToGlobal(QPoint()), inner->size());
    const QRect b(outer->mapToGlobal(QPoint()), outer->size());
    return b.contains(a);
}

class PhotoPageLayoutTest : public PhotoPageTest {
protected:
    void settle() {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }
    void restart(const std::string& pictures) {
        page = nullptr;
        app_.reset();
        startPage(pictures);
        waitLoaded();
    }
};

TEST_F(PhotoPageLayoutTest, AtTheLeastSizeTextsStayWholeAndThePhotosKeepTheirRoom) {
    TempDir dir;
    fs::create_directories(dir.path() / "Holidays in the Dolomites, summer 2019 with the family");
    for (int i = 1; i <= 6; ++i)
        photo(dir, "photo-000" + std::to_string(i) + "-holiday-2019.jpg");
    startPage(dir.path().string());
    waitLoaded();
    page->selectAll();
    ASSERT_EQ(app().order.PhotoCount(), 6u);
    page->undoBar()->withdraw();  // it stands above "My Order" only for a few seconds

    int smallStrip = 0;
    int smallView = 0;
    for (const QSize size : {sheet().minimumSizeHint(), QSize(1600, 1000)}) {
        sheet().resize(size);
        settle();
        SCOPED_TRACE(size.height());
        // The counts are shown whole.
        for (CColorLabel* label : {page->countLabel(), page->sizeLabel()})
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        EXPECT_EQ(countText(), " 6 Photos Selected (6 in the current directory)");
        // "Remove All" and the counts stand inside "My Order"'s frame.
        QWidget* orderPage = page->orderTabs()->currentWidget();
        for (QWidget* w : {static_cast<QWidget*>(page->removeAllButton()),
                           static_cast<QWidget*>(page->countLabel())})
            EXPECT_TRUE(Inside(w, orderPage)) << w->objectName().toStdString();
        EXPECT_TRUE(Inside(page->thumbnailSizeSlider(), page));
        if (smallStrip == 0) {
            smallStrip = page->orderStrip()->height();
            smallView = page->thumbnailView()->viewport()->height();
        }
    }
    // Maximised, "My Order" has its full thumbnails; at the least size it
    // gives up height so that the photos keep at least a row of theirs.
    EXPECT_EQ(page->orderStrip()->thumbnailSide(), 92);
    EXPECT_GT(page->orderStrip()->height(), smallStrip);
    EXPECT_GE(smallView, page->thumbnailView()->gridSize().height());
    sheet().resize(sheet().minimumSizeHint());
    settle();
    EXPECT_LT(page->orderStrip()->thumbnailSide(), 92);
    EXPECT_GE(page->orderStrip()->thumbnailSide(), CSelectImagePage::kSmallestStripSide);

    // A long folder name is shown whole; the tree scrolls sideways for it.
    FolderTree* tree = page->folderTree();
    page->openFolder(
        (dir.path() / "Holidays in the Dolomites, summer 2019 with the family").string());
    settle();
    QTreeWidgetItem* item = tree->currentItem();
    ASSERT_NE(item, nullptr);
    const int needed = tree->fontMetrics().horizontalAdvance(item->text(0));
    EXPECT_GE(tree->columnWidth(0), needed);
    EXPECT_GT(tree->horizontalScrollBar()->maximum(), 0);
}

TEST_F(PhotoPageLayoutTest, NamesAreShownWholeUnderThumbnailsAndInMyOrder) {
    const QFontMetrics fm(QApplication::font());
    // A name too long for one line goes on to a second instead of losing its middle.
    for (const QString& name : {QString("photo-0001-2007.jpg"), QString("sample_001.jpg"),
                                QString("IMG_20190814_183522.jpg")}) {
        const QStringList lines = FolderItemDelegate::NameLines(fm, name, 92);
        EXPECT_EQ(lines.join(""), name);
        EXPECT_LE(lines.size(), 2);
        for (const QString& line : lines)
            EXPECT_LE(fm.horizontalAdvance(line), 92 + 24 - 6) << line.toStdString();
    }
    // A name longer than two lines ends its second in "...".
    const QStringList cut = FolderItemDelegate::NameLines(fm, QString(80, 'x') + ".jpg", 92);
    ASSERT_EQ(cut.size(), 2);
    EXPECT_TRUE(cut[1].endsWith(QChar(0x2026)));

    TempDir dir;
    photo(dir, "sample_001.jpg");
    startPage(dir.path().string());
    waitLoaded();
    clickRow(0);
    OrderStripList* strip = page->orderStrip();
    const QModelIndex first = strip->model()->index(0, 0);
    EXPECT_EQ(first.data(Qt::DisplayRole).toString(), "sample_001.jpg");
    const QRect item = strip->itemRect(0);
    const QRect name = strip->nameRect(item);
    EXPECT_TRUE(item.contains(name));
    EXPECT_GE(name.height(), strip->fontMetrics().height());
    EXPECT_GE(name.top(), item.top() + strip->thumbnailSide());
}

TEST_F(PhotoPageLayoutTest, SelectAllRemoveAllAndRemovingAPhotoCanBeUndone) {
    TempDir dir;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        photo(dir, name);
    startPage(dir.path().string());
    waitLoaded();
    sheet().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet()));
    clickRow(1);
    app().order.SetQuantity(0, 1, 4);
    const QImage turned = app().selectedThumbnails.forPhoto(0);

    // Select All, then Ctrl+Z.
    QTest::mouseClick(page->selectAllButton(), Qt::LeftButton);
    EXPECT_EQ(app().order.PhotoCount(), 3u);
    EXPECT_TRUE(page->undoBar()->isVisible());
    EXPECT_EQ(page->undoBar()->label()->text(), "Added 2 photos to the order.");
    QTest::keyClick(page->thumbnailView(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(orderPaths(), (std::vector<std::string>{dir.file("b.jpg")}));
    EXPECT_FALSE(page->undoBar()->isVisible());
    EXPECT_EQ(countText(), " 1 Photo Selected (1 in the current directory)");
    EXPECT_FALSE(model().ticked(0));

    // Remove All, then "Undo": the photo comes back with its line and thumbnail.
    QTest::mouseClick(page->removeAllButton(), Qt::LeftButton);
    EXPECT_EQ(app().order.PhotoCount(), 0u);
    EXPECT_EQ(page->undoBar()->label()->text(), "Removed b.jpg from the order.");
    QTest::mouseClick(page->undoBar()->undoButton(), Qt::LeftButton);
    ASSERT_EQ(orderPaths(), (std::vector<std::string>{dir.file("b.jpg")}));
    EXPECT_EQ(app().order.photos()[0].orderLines[1].quantity, 4);
    EXPECT_EQ(app().selectedThumbnails.forPhoto(0), turned);
    EXPECT_EQ(page->orderStrip()->model()->rowCount(), 1);
    EXPECT_TRUE(model().ticked(1));
    EXPECT_EQ(page->checkedInFolder(), 1);

    // The strip's remove button, then Ctrl+Z.
    clickRow(2);
    QSignalSpy clicked(page->orderStrip(), &OrderStripList::buttonClicked);
    page->orderStrip()->setCurrentIndex(page->orderStrip()->model()->index(0, 0));
    QTest::keyClick(page->orderStrip(), Qt::Key_Delete);
    ASSERT_TRUE(QTest::qWaitFor([&] { return app().order.PhotoCount() == 1u; }, 5000));
    EXPECT_EQ(page->undoBar()->label()->text(), "Removed b.jpg from the order.");
    QTest::keyClick(page->orderStrip(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(orderPaths(), (std::vector<std::string>{dir.file("b.jpg"), dir.file("c.jpg")}));

    // Another change to the order forgets what could be undone.
    QTest::mouseClick(page->removeAllButton(), Qt::LeftButton);
    clickRow(0);
    EXPECT_FALSE(page->undoBar()->isVisible());
    QTest::keyClick(page->thumbnailView(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(orderPaths(), (std::vector<std::string>{dir.file("a.jpg")}));
    // "Order More Photos" empties the order for good.
    app().emptyOrder();
    EXPECT_FALSE(page->undoBar()->isVisible());
    QTest::keyClick(page->thumbnailView(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(app().order.PhotoCount(), 0u);
}

TEST_F(PhotoPageLayoutTest, TheFolderTheViewTheSortAndTheSizeAreRememberedPerProfile) {
    TempDir first, second;
    photo(first, "a.jpg");
    photo(second, "small.jpg", Qt::red, 80, 60);
    photo(second, "large.jpg", Qt::blue, 400, 300);
    startPage(first.path().string());
    waitLoaded();
    open(second.path());
    page->viewTabs()->setCurrentIndex(1);
    QHeaderView* header = page->listView()->header();
    const QPoint at(header->sectionViewportPosition(FolderModel::kSize) + 10, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);  // by size, ascending
    page->thumbnailSizeSlider()->setValue(156);
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"small.jpg", "large.jpg"}));

    // The next run shows the same, although Preferences name the first folder.
    restart(first.path().string());
    EXPECT_EQ(page->currentFolder(), second.path().string());
    EXPECT_EQ(page->viewTabs()->currentIndex(), 1);
    EXPECT_EQ(page->thumbnailSizeSlider()->value(), 156);
    EXPECT_EQ(model().sortState().column, FolderModel::kSize);
    EXPECT_TRUE(model().sortState().ascending);
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"small.jpg", "large.jpg"}));

    // A remembered folder that is gone leaves Preferences' folder in charge.
    fs::remove_all(second.path());
    restart(first.path().string());
    EXPECT_EQ(page->currentFolder(), first.path().string());
    // Another profile remembers its own.
    EXPECT_EQ(orlavo::RegistryStore(orlavo::RegistryRoot("Other", "OrlavoW"))
                  .getText("Settings", "PhotoFolder"),
              "");
}

TEST_F(PhotoPageLayoutTest, LargerThumbnailsAreMadeAtTheirSizeAndTheOrderKeepsItsOwn) {
    TempDir dir;
    photo(dir, "a.jpg", Qt::red, 1600, 1200);
    startPage(dir.path().string());
    waitLoaded();
    const qreal dpr = page->devicePixelRatioF();
    EXPECT_EQ(model().thumbnail(0).width(), qRound(92 * dpr));

    QSlider* slider = page->thumbnailSizeSlider();
    EXPECT_FALSE(slider->accessibleName().isEmpty());
    // Ctrl and the wheel over the thumbnails: one notch, one step larger.
    QWidget* viewport = page->thumbnailView()->viewport();
    const QPointF at(10, 10);
    QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    EXPECT_EQ(slider->value(), 92 + 2 * 16);
    EXPECT_EQ(page->thumbnailView()->gridSize(),
              FolderItemDelegate::ItemSize(page->thumbnailView()->fontMetrics(), 124));
    // Made again, sharp, at the new size once the slider rests.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return model().thumbnail(0).width() == qRound(124 * dpr); }, 30000));

    clickRow(0);
    ASSERT_EQ(app().order.PhotoCount(), 1u);
    EXPECT_EQ(app().selectedThumbnails.forPhoto(0).width(), qRound(92 * dpr));
}

}  // namespace
