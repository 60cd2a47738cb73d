// Photos from the desktop: the wizard opened with files (good, bad and too
// many), files handed over by a second start, drops of files, folders and
// web addresses, and "My Order" put in another order.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <thread>

#include "tests/photos/PhotoPageTestSupport.h"
#include "wizard/app/WizardDoor.h"
#include "wizard/photos/OrderModel.h"
#include "wizard/photos/ui/OrderStripModel.h"
#include "wizard/photos/ui/PhotoDrops.h"

namespace fs = std::filesystem;

namespace {

class PhotoIntakeTest : public PhotoPageTest {
protected:
    // Waits for the intake to end and gives the message it showed, if any.
    QString waitIntake(std::size_t messagesBefore) {
        QSignalSpy done(page->intake(), &PhotoIntakeLoader::done);
        if (page->intake()->busy()) {
            EXPECT_TRUE(done.wait(30000));
        }
        QCoreApplication::processEvents();
        return effects.messages.size() > messagesBefore ? effects.messages.back().text : QString();
    }
    // Files dropped from a file manager onto WIDGET.
    void drop(QWidget* widget, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = widget->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(widget, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(widget, &dropped);
        EXPECT_TRUE(dropped.isAccepted());
    }
    static QUrl Local(const std::string& path) {
        return QUrl::fromLocalFile(QString::fromStdString(path));
    }
};

TEST_F(PhotoIntakeTest, OpenedWithPhotosItShowsTheFirstsFolderAndOrdersThemNamingTheRest) {
    orlavo::test::TempDir dir;
    fs::create_directories(dir.path() / "trip");
    fs::create_directories(dir.path() / "home");
    const std::string a = photo(dir, "trip/a.jpg", Qt::red);
    photo(dir, "trip/other.jpg", Qt::green);
    const std::string b = photo(dir, "home/b.jpg", Qt::blue, 120, 160);
    const std::string notes = dir.write("home/notes.jpg", "just some text");
    const std::string jpeg = orlavo::test::EncodeJpeg(orlavo::test::Quadrants(400, 300));
    const std::string cut = dir.write("home/cut.jpg", jpeg.substr(0, jpeg.size() / 2));
    const std::string gone = dir.file("home/gone.jpg");

    startPage(dir.path().string(), {a, notes, b, cut, gone, a});
    // As the wizard gives them once its window is up: before the tree is filled.
    ASSERT_EQ(app().pendingFiles(), (std::vector<std::string>{a, notes, b, cut, gone, a}));
    const QString message = waitIntake(0);

    EXPECT_EQ(page->currentFolder(), (dir.path() / "trip").string());
    EXPECT_EQ(orderPaths(), (std::vector<std::string>{a, b}));
    EXPECT_EQ(app().order.photos()[1].width, 120);
    EXPECT_EQ(app().order.photos()[1].height, 160);
    EXPECT_EQ(app().selectedThumbnails.count(), 3u);
    EXPECT_EQ(page->orderStrip()->model()->rowCount(), 2);
    waitLoaded();
    EXPECT_TRUE(model().ticked(rowOf(dir, "trip/a.jpg")));
    EXPECT_FALSE(model().ticked(rowOf(dir, "trip/other.jpg")));
    EXPECT_EQ(page->checkedInFolder(), 1);
    EXPECT_EQ(message,
              QString::fromStdString("These files are not photos that Orlavo can order:\n" + notes +
                                     "\n\nThese files could not be read:\n" + gone + "\n" + cut));
    ASSERT_EQ(effects.messages.size(), 1u);

    // A second start hands over another photo: added, and said nothing of.
    const std::string c = photo(dir, "home/c.jpg", Qt::yellow);
    page->addFiles({c});
    EXPECT_EQ(waitIntake(1), QString());
    EXPECT_EQ(orderPaths(), (std::vector<std::string>{a, b, c}));
    EXPECT_EQ(page->currentFolder(), (dir.path() / "home").string());
}

TEST_F(PhotoIntakeTest, MoreThanAnOrderHoldsAreCutAtTheLimitAndSaidSo) {
    orlavo::test::TempDir dir;
    const std::string tiny = orlavo::test::EncodeJpeg(orlavo::test::Filled(16, 12, Qt::gray));
    std::vector<std::string> files;
    for (int i = 0; i < 200; ++i)
        files.push_back(dir.write("p" + std::to_string(1000 + i) + ".jpg", tiny));
    startPage(dir.path().string(), files);
    const QString message = waitIntake(0);
    ASSERT_EQ(app().order.PhotoCount(), orlavo::wizard::kMaxOrderPhotos);
    EXPECT_EQ(app().order.photos().back().path, files[196]);
    EXPECT_EQ(message, "An order holds at most 197 photos: 3 of the photos given were not added.");
}

TEST_F(PhotoIntakeTest, DropsAddPhotosAndFoldersButNeitherSubfoldersNorTheWeb) {
    orlavo::test::TempDir dir;
    fs::create_directories(dir.path() / "shown");
    fs::create_directories(dir.path() / "album/inner");
    photo(dir, "shown/x.jpg");
    const std::string a1 = photo(dir, "album/1.jpg", Qt::red);
    const std::string a2 = photo(dir, "album/2.jpg", Qt::green);
    photo(dir, "album/inner/3.jpg");
    const std::string single = photo(dir, "single.jpg", Qt::blue);
    const std::string text = dir.write("readme.txt", "hello");
    startPage((dir.path() / "shown").string());
    waitLoaded();

    drop(page->thumbnailView()->viewport(), {Local(single), Local((dir.path() / "album").string()),
                                             Local(text), QUrl("https://example.com/photo.jpg")});
    const QString message = waitIntake(0);
    EXPECT_EQ(orderPaths(), (std::vector<std::string>{single, a1, a2}));
    EXPECT_EQ(page->currentFolder(), (dir.path() / "shown").string());
    EXPECT_EQ(message,
              QString::fromStdString("These files are not photos that Orlavo can order:\n" + text) +
                  "\n\nPhotos from the web cannot be added: nothing was downloaded. Save them on "
                  "your computer first, then open them with Orlavo or drop them here.");

    // Onto "My Order" as well; a photo already there is not added twice.
    const std::string more = photo(dir, "more.jpg", Qt::yellow);
    drop(page->orderStrip()->viewport(), {Local(more), Local(single)});
    EXPECT_EQ(waitIntake(1), QString());
    EXPECT_EQ(orderPaths(), (std::vector<std::string>{single, a1, a2, more}));

    bool remote = false;
    QMimeData fromAnotherComputer;
    fromAnotherComputer.setUrls({QUrl("file://server/share/a.jpg"), Local(single)});
    EXPECT_EQ(PhotoDropFilter::LocalPaths(fromAnotherComputer, remote),
              std::vector<std::string>{single});
    EXPECT_TRUE(remote);
}

TEST_F(PhotoIntakeTest, MyOrderIsReorderedByDraggingAndByTheKeyboard) {
    orlavo::test::TempDir dir;
    std::vector<std::string> files;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        files.push_back(photo(dir, name));
    startPage(dir.path().string(), files);
    waitIntake(0);
    app().order.SetQuantity(0, 0, 5);
    OrderStripList* strip = page->orderStrip();
    const QImage firstThumbnail = app().selectedThumbnails.forPhoto(0);

    // Dragged past the last: a goes to the end with its line and thumbnail.
    auto* model = static_cast<OrderStripModel*>(strip->model());
    std::unique_ptr<QMimeData> dragged(model->mimeData({model->index(0)}));
    model->dropMimeData(dragged.get(), Qt::MoveAction, 3, 0, {});
    EXPECT_EQ(orderPaths(), (std::vector<std::string>{files[1], files[2], files[0]}));
    EXPECT_EQ(app().order.photos()[2].orderLines[0].quantity, 5);
    EXPECT_EQ(app().selectedThumbnails.forPhoto(2), firstThumbnail);
    EXPECT_EQ(model->data(model->index(2), Qt::DisplayRole).toString(), "a.jpg");

    // Ctrl+Left twice brings it back to the front; once more does nothing.
    strip->setFocus();
    strip->setCurrentIndex(model->index(2));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(strip, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(orderPaths(), files);
    QTest::keyClick(strip, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(orderPaths(), (std::vector<std::string>{files[1], files[0], files[2]}));
    EXPECT_EQ(strip->currentIndex().row(), 1);
}

TEST_F(PhotoIntakeTest, ASecondStartHandsItsFilesToTheFirstAndAStaleSocketIsReplaced) {
    orlavo::test::TempDir dir;
    const QString path = QString::fromStdString(dir.file("door"));
    // A socket file that a killed wizard left: nobody listens on it.
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, dir.file("door").c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    ASSERT_TRUE(fs::exists(dir.file("door")));
    WizardDoor first(path);
    ASSERT_EQ(first.enter({"/ignored.jpg"}), WizardDoor::Entry::Listening);
    QSignalSpy arrived(&first, &WizardDoor::filesArrived);

    WizardDoor::Entry second = WizardDoor::Entry::Alone;
    std::thread later([&] {
        WizardDoor door(path);
        second = door.enter({"/photos/b c.jpg", "/photos/\xC3\xA9.jpg"});
    });
    EXPECT_TRUE(arrived.wait(10000));
    later.join();
    EXPECT_EQ(second, WizardDoor::Entry::HandedOver);
    ASSERT_EQ(arrived.size(), 1);
    EXPECT_EQ(arrived[0][0].value<std::vector<std::string>>(),
              (std::vector<std::string>{"/photos/b c.jpg", "/photos/\xC3\xA9.jpg"}));

    // Half a message or a foreign one is no start's.
    std::vector<std::string> files;
    const QByteArray whole = DoorMessage({"/a.jpg"});
    EXPECT_TRUE(ReadDoorMessage(whole, files));
    EXPECT_FALSE(ReadDoorMessage(whole.left(whole.size() - 1), files));
    EXPECT_FALSE(ReadDoorMessage("GET / HTTP/1.1\r\n\r\n", files));
    EXPECT_FALSE(ReadDoorMessage(DoorMessage({std::string("/a\0b", 4)}), files));
    // The socket's folder is the user's alone.
    const QString socket = WizardDoor::SocketPath("/store", "root");
    ASSERT_FALSE(socket.isEmpty());
    EXPECT_EQ(
        fs::status(fs::path(socket.toStdString()).parent_path()).permissions() & fs::perms::all,
        fs::perms::owner_all);
    EXPECT_NE(socket, WizardDoor::SocketPath("/store", "other root"));
}

}  // namespace
