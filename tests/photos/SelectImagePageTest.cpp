// Step 1 as the user sees it: ticking photos, the counts, sorting, moving
// between folders, "Select All", the limits on leaving, and files and
// folders that are not what they seem.

#include <unistd.h>
#include <QPushButton>
#include <QTextDocument>

#include "tests/photos/PhotoPageTestSupport.h"
#include "wizard/app/CColorLabel.h"

namespace {

namespace fs = std::filesystem;
using orlavo::test::TempDir;

TEST_F(PhotoPageTest, TickingAddsToTheOrderAndTheCountsFollow) {
    TempDir dir;
    photo(dir, "a.jpg", Qt::red);
    photo(dir, "b.jpg", Qt::green);
    photo(dir, "c.jpg", Qt::blue);
    startPage(dir.path().string());
    waitLoaded();
    EXPECT_EQ(page->currentFolder(), dir.path().string());
    ASSERT_EQ(rowNames(), (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(countText(), " 0 Photos Selected (0 in the current directory)");
    EXPECT_FALSE(sheet().nextButton()->isEnabled());
    EXPECT_FALSE(page->removeAllButton()->isEnabled());

    clickRow(2);
    EXPECT_EQ(countText(), " 1 Photo Selected (1 in the current directory)");
    clickRow(0);
    EXPECT_EQ(countText(), " 2 Photos Selected (2 in the current directory)");
    EXPECT_EQ(orderPaths(), (std::vector<std::string>{dir.file("c.jpg"), dir.file("a.jpg")}));
    const std::uint64_t bytes = fs::file_size(dir.file("a.jpg")) + fs::file_size(dir.file("c.jpg"));
    EXPECT_EQ(app().order.selectedBytes(), bytes);
    EXPECT_EQ(sizeText(), QString(" %1 KB").arg((bytes + 512) / 1024));
    EXPECT_EQ(app().order.photos()[1].width, 160);
    EXPECT_EQ(app().selectedThumbnails.count(), 3u);
    EXPECT_EQ(page->orderStrip()->model()->rowCount(), 2);
    EXPECT_TRUE(sheet().nextButton()->isEnabled());
    EXPECT_TRUE(page->deselectAllButton()->isEnabled());
    EXPECT_TRUE(model().ticked(0));

    // A second click unticks and takes the photo out again.
    clickRow(2);
    EXPECT_EQ(orderPaths(), (std::vector<std::string>{dir.file("a.jpg")}));
    EXPECT_EQ(app().selectedThumbnails.count(), 2u);
    EXPECT_EQ(page->orderStrip()->model()->rowCount(), 1);
    EXPECT_EQ(countText(), " 1 Photo Selected (1 in the current directory)");
    // Space ticks the current photo as a click does.
    page->thumbnailView()->setCurrentIndex(model().index(1, 0));
    QTest::keyClick(page->thumbnailView(), Qt::Key_Space);
    EXPECT_EQ(app().order.PhotoCount(), 2u);
    EXPECT_EQ(effects.beeps, 0);

    // "Remove All" and "Order More Photos" empty the order, the strip and the ticks.
    QTest::mouseClick(page->removeAllButton(), Qt::LeftButton);
    EXPECT_EQ(app().order.PhotoCount(), 0u);
    EXPECT_EQ(app().selectedThumbnails.count(), 1u);
    EXPECT_FALSE(model().ticked(0));
    EXPECT_EQ(countText(), " 0 Photos Selected (0 in the current directory)");
    clickRow(1);
    app().emptyOrder();
    EXPECT_EQ(page->orderStrip()->model()->rowCount(), 0);
    EXPECT_FALSE(model().ticked(1));
    EXPECT_EQ(sizeText(), " 0 KB");
}

TEST_F(PhotoPageTest, AClickOnlyBeepsWithoutAThumbnailOrWithoutProducts) {
    TempDir dir;
    photo(dir, "good.jpg");
    dir.write("empty.jpg", "");
    const std::string whole = orlavo::test::EncodeJpeg(orlavo::test::Quadrants(160, 120));
    dir.write("cut.jpg", whole.substr(0, whole.size() - 100));
    dir.write("png.jpg", "\x89PNG\r\n\x1A\n" + std::string(100, '\0'));
    // A damaged EXIF block still leaves the photo's own pixels.
    std::string damaged = orlavo::test::WithExif(whole, 6, whole);
    damaged[12] = 'X';
    dir.write("damaged-exif.jpg", damaged);
    startPage(dir.path().string());
    waitLoaded();
    for (const char* name : {"empty.jpg", "cut.jpg", "png.jpg"}) {
        const int row = rowOf(dir, name);
        ASSERT_GE(row, 0) << name;
        EXPECT_TRUE(model()
                        .data(model().index(row, 0), FolderModel::kThumbnailRole)
                        .value<QImage>()
                        .isNull());
        clickRow(row);
        EXPECT_FALSE(model().ticked(row)) << name;
    }
    EXPECT_EQ(effects.beeps, 3);
    EXPECT_TRUE(app().order.photos().empty());
    clickRow(rowOf(dir, "damaged-exif.jpg"));
    EXPECT_EQ(app().order.PhotoCount(), 1u);
    EXPECT_EQ(app().order.photos()[0].width, 160);

    // "Select All" skips the photos without a thumbnail.
    QTest::mouseClick(page->selectAllButton(), Qt::LeftButton);
    EXPECT_EQ(app().order.PhotoCount(), 2u);
    EXPECT_EQ(page->checkedInFolder(), 2);
    EXPECT_TRUE(page->selectAllButton()->isEnabled());  // the three bad ones are unticked
    QTest::mouseClick(page->deselectAllButton(), Qt::LeftButton);
    EXPECT_EQ(app().order.PhotoCount(), 0u);
    EXPECT_FALSE(page->deselectAllButton()->isEnabled());

    // A catalogue without products allows no tick at all.
    app().order.setProductCount(0);
    clickRow(rowOf(dir, "good.jpg"));
    QTest::mouseClick(page->selectAllButton(), Qt::LeftButton);
    EXPECT_EQ(effects.beeps, 5);
    EXPECT_EQ(app().order.PhotoCount(), 0u);
}

TEST_F(PhotoPageTest, InTheListOnlyTheBoxIconAndNameTickARow) {
    TempDir dir;
    photo(dir, "a.jpg", Qt::red);
    photo(dir, "b.jpg", Qt::green);
    startPage(dir.path().string());
    waitLoaded();
    QTreeView* list = page->listView();
    page->viewTabs()->setCurrentWidget(list);
    QApplication::processEvents();
    const QRect name = list->visualRect(model().index(0, FolderModel::kName));
    const QRect size = list->visualRect(model().index(0, FolderModel::kSize));
    const QRect dimensions = list->visualRect(model().index(0, FolderModel::kDimensions));
    const int y = name.center().y();
    // Where a click only selects the row to look at it: the other columns
    // and the empty end of the name's column.
    for (const QPoint at : {size.center(), dimensions.center(), QPoint(name.right() - 1, y)}) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(app().order.PhotoCount(), 0u) << at.x();
        EXPECT_FALSE(model().ticked(0));
    }
    EXPECT_EQ(list->currentIndex().row(), 0);
    // The check box, the icon, the name: each ticks or unticks.
    const int left = name.left();
    for (const int x : {left + 8, left + 30, left + 50}) {
        const bool before = model().ticked(0);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(x, y));
        EXPECT_NE(model().ticked(0), before) << x;
        EXPECT_EQ(app().order.PhotoCount(), before ? 0u : 1u) << x;
    }
    EXPECT_EQ(effects.beeps, 0);
}

TEST_F(PhotoPageTest, SortingBySizeFlipsAndByNameKeepsTheFoldersOrder) {
    TempDir dir;
    photo(dir, "a.jpg", Qt::red, 200, 150);
    photo(dir, "b.jpg", Qt::red, 900, 600);
    photo(dir, "c.jpg", Qt::red, 400, 300);
    startPage(dir.path().string());
    waitLoaded();
    QTreeView* list = page->listView();
    page->viewTabs()->setCurrentWidget(list);
    auto clickHeader = [&](int column) {
        QHeaderView* header = list->header();
        const QPoint at(header->sectionViewportPosition(column) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    using Names = std::vector<std::string>;
    clickHeader(FolderModel::kSize);
    EXPECT_EQ(rowNames(), (Names{"a.jpg", "c.jpg", "b.jpg"}));
    clickHeader(FolderModel::kSize);
    EXPECT_EQ(rowNames(), (Names{"b.jpg", "c.jpg", "a.jpg"}));
    clickHeader(FolderModel::kName);
    EXPECT_EQ(rowNames(), (Names{"a.jpg", "b.jpg", "c.jpg"}));
    clickHeader(FolderModel::kName);
    EXPECT_EQ(rowNames(), (Names{"a.jpg", "b.jpg", "c.jpg"}));
    clickHeader(FolderModel::kDimensions);
    EXPECT_EQ(rowNames(), (Names{"a.jpg", "c.jpg", "b.jpg"}));

    // The list's columns, and a click on a sorted row's box ticks that photo.
    const int b = rowOf(dir, "b.jpg");
    auto cell = [&](int column) {
        return model().data(model().index(b, column), Qt::DisplayRole).toString();
    };
    EXPECT_EQ(cell(FolderModel::kDimensions), "900 x 600");
    EXPECT_EQ(cell(FolderModel::kSize),
              QString("%1 KB").arg((fs::file_size(dir.file("b.jpg")) + 512) / 1024));
    EXPECT_FALSE(cell(FolderModel::kModified).isEmpty());
    EXPECT_EQ(model().headerData(FolderModel::kModified, Qt::Horizontal, Qt::DisplayRole),
              "Last Modified");
    const QRect bName = list->visualRect(model().index(b, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(bName.left() + 8, bName.center().y()));  // on its box
    EXPECT_EQ(orderPaths(), (std::vector<std::string>{dir.file("b.jpg")}));
}

TEST_F(PhotoPageTest, APhotoFoundDamagedBehindItsExifThumbnailLeavesTheOrder) {
    // Shown at once from its EXIF thumbnail; its own data is decoded after.
    TempDir dir;
    fs::create_directories(dir.path() / "Trip");
    fs::create_directories(dir.path() / "Other");
    const std::string whole =
        orlavo::test::WithExif(orlavo::test::EncodeJpeg(orlavo::test::Quadrants(1024, 768)), 1,
                               orlavo::test::EncodeJpeg(orlavo::test::Quadrants(160, 120)));
    const std::string path = dir.write("Trip/a.jpg", whole);
    photo(dir, "Trip/b.jpg");
    startPage((dir.path() / "Trip").string());
    waitLoaded();
    clickRow(rowOf(dir, "Trip/a.jpg"));
    clickRow(rowOf(dir, "Trip/b.jpg"));
    ASSERT_EQ(app().order.PhotoCount(), 2u);

    // Cut short while the user looked elsewhere, an end marker after it.
    open(dir.path() / "Other");
    dir.write("Trip/a.jpg", orlavo::test::CutWithEndMarker(whole));
    open(dir.path() / "Trip");
    const int row = rowOf(dir, "Trip/a.jpg");
    const auto tip = [&] {
        return model().data(model().index(row, FolderModel::kName), Qt::ToolTipRole).toString();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return tip().contains("damaged"); }, 20000));
    EXPECT_FALSE(model().ticked(row));
    EXPECT_EQ(app().order.IndexOfPath(path), -1);
    EXPECT_EQ(app().order.PhotoCount(), 1u);
    EXPECT_EQ(countText(), " 1 Photo Selected (1 in the current directory)");
    clickRow(row);
    EXPECT_FALSE(model().ticked(row));
}

TEST_F(PhotoPageTest, ComingBackToAFolderShowsItsPhotosTickedAgain) {
    TempDir dir;
    fs::create_directories(dir.path() / "Alps");
    fs::create_directories(dir.path() / "Beach");
    for (const char* name : {"Alps/1.jpg", "Alps/2.jpg", "Alps/3.jpg", "Beach/1.jpg"})
        photo(dir, name);
    startPage((dir.path() / "Alps").string());
    waitLoaded();
    clickRow(0);
    clickRow(2);

    // To the other folder by a click on the tree.
    FolderTree* tree = page->folderTree();
    QTreeWidgetItem* beach = tree->findFolder(dir.file("Beach"));
    ASSERT_EQ(FolderTree::pathOf(beach), dir.file("Beach"));
    tree->scrollToItem(beach);
    const QRect r = tree->visualItemRect(beach);
    QTest::mouseClick(
        tree->viewport(), Qt::LeftButton, {},
        QPoint(std::min(r.center().x(), tree->viewport()->width() - 4), r.center().y()));
    waitLoaded();
    EXPECT_EQ(page->currentFolder(), dir.file("Beach"));
    EXPECT_EQ(countText(), " 2 Photos Selected (0 in the current directory)");
    clickRow(0);
    EXPECT_EQ(countText(), " 3 Photos Selected (1 in the current directory)");

    open(dir.path() / "Alps");
    EXPECT_TRUE(model().ticked(0));
    EXPECT_FALSE(model().ticked(1));
    EXPECT_TRUE(model().ticked(2));
    EXPECT_EQ(page->checkedInFolder(), 2);
    EXPECT_EQ(countText(), " 3 Photos Selected (2 in the current directory)");
    EXPECT_EQ(app().order.PhotoCount(), 3u);
}

TEST_F(PhotoPageTest, LeavingRefusesNoPhotoAndMoreThan197ThenAppliesTheDefaultLine) {
    TempDir dir;
    // 198 photos: one too many to go on with.
    const std::string jpeg = orlavo::test::EncodeJpeg(orlavo::test::Filled(64, 48, Qt::red));
    for (int i = 0; i < 198; ++i)
        dir.write("p" + std::to_string(i) + ".jpg", jpeg);
    startPage(dir.path().string());
    waitLoaded();

    // Nothing selected: the sheet refuses, with the page's message.
    sheet().onNext();
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text, "You must select a picture");
    EXPECT_EQ(effects.messages[0].caption, "Zadozu Orlavo");
    EXPECT_EQ(effects.messages[0].icon, QMessageBox::Warning);

    ASSERT_TRUE(page->selectAllButton()->isEnabled());
    QTest::mouseClick(page->selectAllButton(), Qt::LeftButton);
    EXPECT_EQ(app().order.PhotoCount(), 198u);
    EXPECT_FALSE(page->selectAllButton()->isEnabled());
    QTest::mouseClick(sheet().nextButton(), Qt::LeftButton);
    ASSERT_EQ(effects.messages.size(), 2u);
    EXPECT_EQ(effects.messages[1].text, "Too much selected pictures!");
    EXPECT_EQ(sheet().activeIndex(), 0);

    clickRow(5);
    EXPECT_EQ(app().order.PhotoCount(), 197u);
    reg().setNumber("UserDetails", "ProductTypeIndex", 1);
    reg().setNumber("UserDetails", "ProdQuantity", 3);
    QTest::mouseClick(sheet().nextButton(), Qt::LeftButton);
    EXPECT_EQ(effects.messages.size(), 2u);
    EXPECT_EQ(sheet().activeIndex(), 1);
    EXPECT_TRUE(sheet().backButton()->isVisible());
    // Every photo went on with the default line.
    for (const auto& p : app().order.photos())
        EXPECT_EQ(p.orderLines[1].quantity, 3);

    // Back on step 1, the ticks and the strip still mirror the order.
    QTest::mouseClick(sheet().backButton(), Qt::LeftButton);
    EXPECT_FALSE(sheet().backButton()->isVisible());
    EXPECT_EQ(page->checkedInFolder(), 197);
    EXPECT_EQ(page->orderStrip()->model()->rowCount(), 197);
}

TEST_F(PhotoPageTest, AFolderChangeWhileTheLoaderRunsShowsOnlyTheNewFolder) {
    TempDir dir;
    fs::create_directories(dir.path() / "big");
    fs::create_directories(dir.path() / "small");
    const std::string large = orlavo::test::EncodeJpeg(orlavo::test::Quadrants(1600, 1200));
    for (int i = 0; i < 60; ++i)
        dir.write("big/" + std::to_string(i) + ".jpg", large);
    for (int i = 0; i < 5; ++i)
        photo(dir, "small/" + std::to_string(i) + ".jpg", Qt::blue, 120, 160);
    startPage((dir.path() / "small").string());
    waitLoaded();

    // Nothing is handed over before the window thread looks: the big folder's
    // loader runs now, and "Select All" waits for it.
    page->openFolder((dir.path() / "big").string());
    EXPECT_TRUE(page->loader()->running());
    EXPECT_FALSE(page->selectAllButton()->isEnabled());
    page->openFolder((dir.path() / "small").string());
    waitLoaded();
    ASSERT_EQ(model().count(), 5);
    for (int row = 0; row < model().count(); ++row) {
        const FolderModel::Item& item = model().item(model().idOfRow(row));
        EXPECT_TRUE(item.known);
        EXPECT_EQ(item.width, 120);
        EXPECT_NE(item.path.find("/small/"), std::string::npos);
    }
    EXPECT_TRUE(page->selectAllButton()->isEnabled());

    // A photo of the old folder stays selected.
    open(dir.path() / "big");
    clickRow(7);
    open(dir.path() / "small");
    EXPECT_EQ(countText(), " 1 Photo Selected (0 in the current directory)");
    // Back and forth while it runs, then the window closes while it runs.
    page->openFolder((dir.path() / "big").string());
    page->openFolder((dir.path() / "small").string());
    page->openFolder((dir.path() / "big").string());
}

TEST_F(PhotoPageTest, APortraitPhonePhotoStandsUpright) {
    TempDir dir;
    // Stored on its side, with the EXIF orientation that turns it upright.
    dir.write("phone.jpg", orlavo::test::WithExif(
                               orlavo::test::EncodeJpeg(orlavo::test::Quadrants(400, 300)), 6));
    startPage(dir.path().string());
    waitLoaded();
    EXPECT_EQ(model().data(model().index(0, FolderModel::kDimensions), Qt::DisplayRole),
              "300 x 400");
    const QImage thumb = model().thumbnail(0);
    ASSERT_FALSE(thumb.isNull());
    // Grey at the left and right of a standing picture, none above it.
    const QColor grey(0x80, 0x80, 0x80);
    EXPECT_TRUE(orlavo::test::Near(orlavo::test::ColourAt(thumb, 3, 46), grey, 4));
    EXPECT_FALSE(orlavo::test::Near(orlavo::test::ColourAt(thumb, 46, 3), grey, 4));
    EXPECT_TRUE(orlavo::test::Near(orlavo::test::ColourAt(thumb, 30, 20), Qt::blue));
}

TEST_F(PhotoPageTest, FoldersThatCannotBeReadOrVanishShowEmpty) {
    TempDir dir;
    fs::create_directories(dir.path() / "gone");
    photo(dir, "gone/a.jpg");
    photo(dir, "kept.jpg");
    startPage(dir.file("gone"));
    waitLoaded();
    clickRow(0);
    // A ticked photo deleted afterwards stays in the order.
    fs::remove(dir.file("gone/a.jpg"));
    fs::remove(dir.file("gone"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return model().count() == 0; }, 5000));
    EXPECT_EQ(app().order.PhotoCount(), 1u);
    EXPECT_EQ(countText(), " 1 Photo Selected (0 in the current directory)");
    EXPECT_FALSE(page->selectAllButton()->isEnabled());

    // A folder that is not there, or that may not be read, lists nothing and says nothing.
    open(dir.path() / "gone");
    EXPECT_EQ(model().count(), 0);
    open(dir.path());
    EXPECT_EQ(model().count(), 1);
    if (geteuid() != 0) {
        fs::create_directories(dir.path() / "locked");
        photo(dir, "locked/a.jpg");
        fs::permissions(dir.path() / "locked", fs::perms::none);
        open(dir.path() / "locked");
        EXPECT_EQ(model().count(), 0);
        fs::permissions(dir.path() / "locked", fs::perms::owner_all);
    }
    EXPECT_TRUE(effects.messages.empty());
}

TEST_F(PhotoPageTest, TheTreeHoldsHomeTheFileSystemAndFindsThePicturesFolder) {
    TempDir dir;
    fs::create_directories(dir.path() / "Trips/img10");
    fs::create_directories(dir.path() / "Trips/img9");
    fs::create_directories(dir.path() / "Trips/.hidden");
    fs::create_directories(dir.path() / ".secret/photos");
    photo(dir, ".secret/photos/a.jpg");
    startPage(dir.file("Trips/img9/not-there"));
    FolderTree* tree = page->folderTree();
    QTreeWidgetItem* root = tree->root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), "Desktop");
    ASSERT_GE(root->childCount(), 2);
    EXPECT_EQ(root->child(0)->text(0), "Home");
    EXPECT_EQ(root->child(1)->text(0), "File System");
    // The deepest folder that exists on the way is opened.
    EXPECT_EQ(page->currentFolder(), dir.file("Trips/img9"));
    QTreeWidgetItem* trips = tree->currentItem()->parent();
    ASSERT_EQ(trips->childCount(), 2);
    EXPECT_EQ(trips->child(0)->text(0), "img9");
    EXPECT_EQ(trips->child(1)->text(0), "img10");
    // A hidden folder is shown only when it is the one asked for.
    page->openFolder(dir.file(".secret/photos"));
    waitLoaded();
    EXPECT_EQ(page->currentFolder(), dir.file(".secret/photos"));
    EXPECT_EQ(model().count(), 1);
    EXPECT_EQ(tree->findFolder("relative/path"), root);
}

TEST_F(PhotoPageTest, AWiderWindowShowsMoreThumbnailsInARow) {
    TempDir dir;
    for (int i = 0; i < 30; ++i)
        photo(dir, std::to_string(i) + ".jpg");
    startPage(dir.path().string());
    waitLoaded();
    auto perRow = [&] {
        QListView* view = page->thumbnailView();
        const int top = view->visualRect(model().index(0, 0)).top();
        int n = 0;
        while (n < model().count() && view->visualRect(model().index(n, 0)).top() == top)
            ++n;
        return n;
    };
    sheet().resize(800, 600);
    QApplication::processEvents();
    const int narrow = perRow();
    const int stripWidth = page->orderStrip()->width();
    sheet().resize(1400, 700);
    EXPECT_TRUE(QTest::qWaitFor([&] { return perRow() > narrow + 3; }, 5000)) << narrow;
    EXPECT_GT(page->orderStrip()->width(), stripWidth + 400);
}

}  // namespace

namespace {

// What a tooltip shows: a text that looks like markup is rendered as such.
QString ShownTip(const QString& tip) {
    if (!Qt::mightBeRichText(tip))
        return tip;
    QTextDocument doc;
    doc.setHtml(tip);
    return doc.toPlainText();
}

TEST_F(PhotoPageTest, PhotosThatCannotBeOfferedSayWhyInTheirTooltip) {
    TempDir dir;
    dir.write("a-huge.jpg", orlavo::test::ProgressiveBomb(16384));
    dir.write("b-cut.jpg", orlavo::test::CutWithEndMarker(
                               orlavo::test::EncodeJpeg(orlavo::test::Quadrants(640, 480))));
    dir.write("c-text.jpg", "not a photo");
    photo(dir, "d-good.jpg");
    startPage(dir.path().string());
    waitLoaded();
    auto tip = [this](int row) {
        return ShownTip(
            model().data(model().index(row, FolderModel::kName), Qt::ToolTipRole).toString());
    };
    struct Case {
        const char* name;
        const char* says;
    } cases[] = {
        {"a-huge.jpg", "16384 x 16384"},
        {"b-cut.jpg", "damaged"},
        {"c-text.jpg", "cannot be read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int row = rowOf(dir, c.name);
        ASSERT_GE(row, 0);
        clickRow(row);
        EXPECT_FALSE(model().ticked(row));
        EXPECT_TRUE(tip(row).startsWith(QString(c.name) + "\n")) << tip(row).toStdString();
        EXPECT_TRUE(tip(row).contains(c.says)) << tip(row).toStdString();
    }
    const int good = rowOf(dir, "d-good.jpg");
    EXPECT_EQ(tip(good), "d-good.jpg");
    clickRow(good);
    EXPECT_TRUE(model().ticked(good));
    EXPECT_EQ(effects.beeps, 3);
}

TEST_F(PhotoPageTest, NamesThatLookLikeMarkupAreShownAsTheyAre) {
    TempDir dir;
    const std::string name = "<img src=\"x.png\"><b>bold &amp; <i>.jpg";
    photo(dir, name, Qt::red);
    startPage(dir.path().string());
    waitLoaded();
    ASSERT_EQ(rowNames(), (std::vector<std::string>{name}));
    EXPECT_EQ(
        ShownTip(model().data(model().index(0, FolderModel::kName), Qt::ToolTipRole).toString()),
        QString::fromStdString(name));
    clickRow(0);
    QAbstractItemModel* strip = page->orderStrip()->model();
    ASSERT_EQ(strip->rowCount(), 1);
    EXPECT_EQ(ShownTip(strip->data(strip->index(0, 0), Qt::ToolTipRole).toString()),
              QString::fromStdString(name));
    EXPECT_EQ(strip->data(strip->index(0, 0), Qt::AccessibleTextRole).toString(),
              QString::fromStdString(name));
}

}  // namespace
