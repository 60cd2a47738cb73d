// orlavo-screens: draws the wizard's windows with sample settings, a sample
// catalogue and the lab's sample photos and saves each as a PNG, for the
// documentation.
//   orlavo-screens OUTPUT-FOLDER
// Uses a settings store in a temporary folder; nothing is sent anywhere.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include <ctime>
#include <fstream>
#include "common/RegistryRoot.h"
#include "common/SettingsTable.h"
#include "lab/SamplePhotoMaker.h"
#include "platform/RegistryStore.h"
#include "resources/WizardResources.h"
#include "tools/UpdaterScreens.h"
#include "wizard/app/AppEffects.h"
#include "wizard/app/CDealerKeyDialog.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/COrderSuccessfulPage.h"
#include "wizard/app/CPreferencesDialog.h"
#include "wizard/app/CStartDialog.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/app/StepPages.h"
#include "wizard/customer/ui/CUserDetailsPage.h"
#include "wizard/photos/ThumbnailLoader.h"
#include "wizard/photos/ui/CSelectImagePage.h"
#include "wizard/photos/ui/OrderStripList.h"
#include "wizard/photos/ui/PhotoDrops.h"
#include "wizard/products/ui/CCustomProductPage.h"
#include "wizard/products/ui/PrintPreviewDialog.h"
#include "wizard/products/ui/PrintPreviewView.h"
#include "wizard/transmission/JournalFolder.h"
#include "wizard/transmission/TransferManifest.h"
#include "wizard/transmission/ui/COrderSummaryPage.h"
#include "wizard/transmission/ui/CUploadDialog.h"

namespace {

constexpr const char* kCatalogue = R"xml(<?xml version="1.0"?>
<affiliateinfo>
  <affiliate id="1001" currency="GBP"/>
  <products>
    <product id="6X4G" name="6x4" prod_description="6x4 in Gloss (152 x 102 mm)" price="0.25" x_dim="152" y_dim="102"/>
    <product id="7X5G" name="7x5" prod_description="7x5 in Gloss (178 x 127 mm)" price="0.45" x_dim="178" y_dim="127"/>
    <product id="10X8M" name="10x8" prod_description="10x8 in Matt (254 x 203 mm)" price=".95" x_dim="254" y_dim="203"/>
  </products>
  <payment><pay id="1" name="Visa"/></payment>
  <shipping>
    <ship id="1"><country name="United Kingdom" value="GB"/><country name="Ireland" value="IE"/></ship>
  </shipping>
  <shops><shop id="1" name="Orlavo Bath" city="Bath" storeid="BATH01"/></shops>
</affiliateinfo>
)xml";

// Nothing is shown or opened while the windows are drawn.
class QuietEffects : public AppEffects {
public:
    QMessageBox::StandardButton message(QWidget*, const QString&, const QString&, QMessageBox::Icon,
                                        QMessageBox::StandardButtons,
                                        QMessageBox::StandardButton) override {
        return QMessageBox::Ok;
    }
    bool open(const QString&) override { return true; }
    void beep() override {}
    bool browseForFolder(QWidget*, const QString&, QString&) override { return false; }
};

// A thumbnail of a sample landscape, as step 1 would make it.
QImage SampleThumbnail(int index) {
    const orlavo::lab::SamplePhotoLayout layout = orlavo::lab::SamplePhotoMaker::LayoutFor(index);
    const int w = layout.width >= layout.height ? 92 : 92 * layout.width / layout.height;
    const int h = layout.width >= layout.height ? 92 * layout.height / layout.width : 92;
    const orlavo::lab::RgbImage rgb =
        orlavo::lab::SamplePhotoMaker::DrawLandscape(w, h, static_cast<std::uint32_t>(index + 7));
    return QImage(rgb.pixels.data(), rgb.width, rgb.height, rgb.width * 3, QImage::Format_RGB888)
        .copy();
}

// Step 2 with a few photos of several sizes and their lines.
void FillOrder(CWizardApp& app) {
    app.order.setProductCount(app.xml.GetProductCount());
    const int sizes[][2] = {{3264, 2448}, {1600, 1200}, {640, 480}, {0, 0}};
    for (int i = 0; i < 4; ++i) {
        app.selectedThumbnails.append(SampleThumbnail(i));
        app.order.AddPhoto("/home/ada/Pictures/holiday_00" + std::to_string(i + 1) + ".jpg", 0,
                           1500000, sizes[i][0], sizes[i][1]);
    }
    app.order.ApplyDefaultLine(0, 2);
    app.order.SetQuantity(0, 1, 1);
    app.order.SetQuantity(0, 2, 3);
    app.order.SetQuantity(2, 1, 1);
}

bool Save(QWidget& w, const QString& folder, const QString& name) {
    w.show();
    w.raise();
    w.activateWindow();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    const QString path = QDir(folder).filePath(name + ".png");
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    w.hide();
    return ok;
}

// A lab with card and shop payments and shops in two cities, for step 3.
constexpr const char* kDetailsCatalogue = R"xml(<?xml version="1.0"?>
<affiliateinfo>
  <affiliate id="1001" currency="GBP"/>
  <products><product id="6X4G" name="6x4" price="0.25" x_dim="152" y_dim="102"/></products>
  <payment><pay id="1" name="Visa"/><pay id="2" name="MasterCard"/><pay id="3" name="American Express"/>
    <pay id="5" name="Maestro"/><pay id="9" name="Pay at the shop"/></payment>
  <shipping><ship id="1"><country name="United Kingdom" value="GB"/><country name="Ireland" value="IE"/></ship></shipping>
  <shops>
    <shop id="21" name="Orlavo Bath Abbey" address1="8 Abbey Green" city="Bath" postcode="BA1 1NW" phone="01632 960201" storeid="7101"/>
    <shop id="22" name="Orlavo Bath Milsom" address1="27 Milsom Street" city="Bath" postcode="BA1 1DG" storeid="7102"/>
    <shop id="11" name="Orlavo York Minster" address1="14 Low Petergate" city="York" postcode="YO1 7HZ" storeid="7001"/>
  </shops>
</affiliateinfo>
)xml";

// Step 3 filled in twice: delivery home with a card, and collection at a shop.
bool SaveDetailsPage(CWizardApp& app, const QString& out) {
    app.xml.LoadDownloaded("http://127.0.0.1:8080/catalogue.xml", kDetailsCatalogue, app.shops);
    app.registry().setNumber(orlavo::section::kUserDetails, "Remember", 1);
    app.registry().setNumber(orlavo::section::kUserDetails, "Shop", 0);
    bool ok = true;
    for (const bool shop : {false, true}) {
        CMyProperySheet sheet(app);
        auto* page = new CUserDetailsPage(app, &sheet);
        sheet.addPage(page);
        sheet.show();
        const auto set = [page](const char* name, const QString& text) {
            if (auto* edit = page->findChild<QLineEdit*>(name))
                edit->setText(text);
        };
        set("customerNumber", "C-20417");
        if (shop) {
            page->findChild<QRadioButton*>("shop")->click();
        } else {
            page->findChild<QCheckBox*>("sameAsBilling")->click();
            set("cardNumber", "4111111111111111");
            set("nameOnCard", "A LOVELACE");
            page->findChild<QComboBox*>("expiryMonth")->setCurrentIndex(8);
            page->findChild<QComboBox*>("expiryYear")->setCurrentIndex(2);
            set("voucherCode", "WELCOME10");
            page->findChild<QCheckBox*>("remember")->setChecked(true);
        }
        ok = Save(sheet, out, shop ? "details-shop" : "details") && ok;
    }
    return ok;
}

// A left click at POS of WIDGET, as the user makes it.
void Click(QWidget* widget, QPoint pos) {
    const QPointF local(pos), global(widget->mapToGlobal(pos));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

// Step 1 on the lab's sample photos, with some of them ticked.
bool SaveStepOne(CWizardApp& app, const QString& folder) {
    CMyProperySheet& sheet = *app.sheet();
    auto* page = qobject_cast<CSelectImagePage*>(sheet.page(0));
    if (!page)
        return false;
    QEventLoop wait;
    QObject::connect(page, &CSelectImagePage::started, &wait, &QEventLoop::quit);
    sheet.show();
    wait.exec();
    if (page->loader()->running()) {
        QObject::connect(page->loader(), &orlavo::wizard::ThumbnailLoader::finished, &wait,
                         &QEventLoop::quit);
        wait.exec();
    }
    QListView* view = page->thumbnailView();
    for (int row : {0, 2, 3, 4, 6})
        Click(view->viewport(), view->visualRect(view->model()->index(row, 0)).center());
    QApplication::processEvents();
    const QString path = QDir(folder).filePath("step1.png");
    bool ok = sheet.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));

    // The least size, and maximised with larger thumbnails.
    const QSize size = sheet.size();
    sheet.resize(sheet.minimumSizeHint());
    QApplication::processEvents();
    QApplication::processEvents();
    ok = Save(sheet, folder, "step1-least-size") && ok;
    sheet.resize(1600, 1000);
    page->thumbnailSizeSlider()->setValue(172);
    QEventLoop made;
    QObject::connect(page->loader(), &orlavo::wizard::ThumbnailLoader::finished, &made,
                     &QEventLoop::quit);
    QTimer::singleShot(20000, &made, &QEventLoop::quit);
    made.exec();
    QApplication::processEvents();
    ok = Save(sheet, folder, "step1-large-thumbnails") && ok;
    page->thumbnailSizeSlider()->setValue(92);
    sheet.resize(size);
    return ok;
}

// Waits until step 1 has taken in what it was given.
void WaitIntake(CSelectImagePage& page) {
    if (!page.intake()->busy())
        return;
    QEventLoop done;
    QObject::connect(page.intake(), &PhotoIntakeLoader::done, &done, &QEventLoop::quit);
    QTimer::singleShot(20000, &done, &QEventLoop::quit);
    done.exec();
    QApplication::processEvents();
}

// Step 1 just after the wizard was opened with three photos from the file
// manager, and after a folder of photos was dropped on "My Order".
bool SaveDesktopPhotos(CWizardApp& app, const QString& photos, const QString& folder) {
    auto* page = qobject_cast<CSelectImagePage*>(app.sheet()->page(0));
    if (!page)
        return false;
    page->removeAll();
    std::vector<std::string> opened;
    for (const char* name : {"sample_003.jpg", "sample_001.jpg", "sample_008.jpg"})
        opened.push_back(QDir(photos).filePath(name).toStdString());
    page->addFiles(opened);
    WaitIntake(*page);
    bool ok = Save(*app.sheet(), folder, "step1-opened");

    const QString trip = QDir(photos).filePath("../Trip");
    QDir().mkpath(trip);
    for (const char* name : {"sample_010.jpg", "sample_011.jpg", "sample_012.jpg"})
        QFile::copy(QDir(photos).filePath(name), QDir(trip).filePath(name));
    app.sheet()->show();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QDir(trip).absolutePath())});
    QWidget* strip = page->orderStrip()->viewport();
    const QPointF at = strip->rect().center();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(strip, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(strip, &drop);
    WaitIntake(*page);
    ok = Save(*app.sheet(), folder, "step1-dropped") && ok;
    page->removeAll();
    return ok;
}

// The print preview of the lab's 12-megapixel sample photo with a 6x4 and a
// 10x8 line, trimmed, whole and with a crop of the user's choosing; the order
// shown before is put back.
bool SavePreviews(CWizardApp& app, const QString& photos, const QString& out) {
    auto* page = qobject_cast<CCustomProductPage*>(app.sheet()->page(1));
    const std::string path = QDir(photos).filePath("sample_007.jpg").toStdString();
    const orlavo::wizard::PhotoThumbnail t =
        orlavo::wizard::MakeThumbnail(path, qApp->devicePixelRatio());
    if (page == nullptr || !t.ok())
        return false;
    const orlavo::wizard::OrderModel before = app.order;
    const orlavo::wizard::ThumbnailList thumbnailsBefore = app.selectedThumbnails;
    app.order = orlavo::wizard::OrderModel(app.xml.GetProductCount());
    app.selectedThumbnails.clear();
    app.selectedThumbnails.append(t.image);
    app.order.AddPhoto(path, 0, t.fileSize, t.width, t.height);
    app.order.SetQuantity(0, 0, 2);
    app.order.SetQuantity(0, 2, 1);
    page->onSetActive();
    page->openPreview(0, 0);
    bool ok = false;
    if (PrintPreviewDialog* preview = page->preview()) {
        while (!preview->pictureDone())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        preview->zoomTrimBox()->click();
        ok = Save(*preview, out, "step2-preview-trim");
        preview->zoomTrimBox()->click();
        ok = Save(*preview, out, "step2-preview-whole") && ok;
        // A crop of the user's choosing: zoomed in and moved to the left.
        preview->zoomTrimBox()->click();
        preview->zoomSlider()->setValue(170);
        const QPoint centre = preview->view()->paperRect().center().toPoint();
        QMouseEvent press(QEvent::MouseButtonPress, centre, preview->view()->mapToGlobal(centre),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(preview->view(), &press);
        const QPoint to = centre + QPoint(70, 25);
        QMouseEvent move(QEvent::MouseMove, to, preview->view()->mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(preview->view(), &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, preview->view()->mapToGlobal(to),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(preview->view(), &release);
        ok = Save(*preview, out, "step2-preview-crop") && ok;
        preview->close();
    }
    app.order = before;
    app.selectedThumbnails = thumbnailsBefore;
    page->onSetActive();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: orlavo-screens OUTPUT-FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QTemporaryDir temp;
    qputenv("ORLAVO_REGISTRY", temp.filePath("registry.sqlite3").toUtf8());
    // Hidden in the temporary home, so that step 1's folder tree does not show it.
    qputenv("XDG_STATE_HOME", temp.filePath(".local/state").toUtf8());

    using orlavo::section::kDownloadInfo;
    using orlavo::section::kUserDetails;
    orlavo::RegistryStore reg(orlavo::RegistryRoot("Screens", "OrlavoW"));
    reg.setText(kDownloadInfo, "DownloadURL", "http://127.0.0.1:8080/catalogue.xml");
    reg.setText(kDownloadInfo, "UploadURL", "http://127.0.0.1:8080/upload");
    reg.setText(kDownloadInfo, "UseDealerNumber", "2");
    reg.setText(kUserDetails, "DealerNumber", "BATH01");
    reg.setText(kUserDetails, "FirstName", "Ada");
    reg.setText(kUserDetails, "LastName", "Lovelace");
    reg.setText(kUserDetails, "Address", "12 Marlborough Buildings");
    reg.setText(kUserDetails, "Town", "Bath");
    reg.setText(kUserDetails, "State", "Somerset");
    reg.setText(kUserDetails, "PostCode", "BA1 2LY");
    reg.setText(kUserDetails, "Country", "United Kingdom");
    reg.setText(kUserDetails, "Phone", "07700 900123");
    reg.setText(kUserDetails, "Email", "ada@example.org");
    // The lab's sample photos, as the demo makes them, in a home of their own.
    qputenv("HOME", QFile::encodeName(temp.path()));
    const QString photos = temp.filePath("Pictures");
    const QString lab = QDir(QCoreApplication::applicationDirPath()).filePath("orlavo-lab");
    if (QProcess::execute(lab, {"--make-sample-photos", photos, "12"}) != 0) {
        std::fprintf(stderr, "orlavo-lab could not make the sample photos\n");
        return 1;
    }
    reg.setText(kUserDetails, "PicturesFolder", photos.toStdString());
    reg.setNumber(kUserDetails, "ProdQuantity", 2);

    QuietEffects effects;
    CWizardApp app({"orlavo-screens", "Screens"}, effects, {}, MakeStepPage);
    if (!app.StartUp())
        return 1;
    bool ok = true;

    {
        CStartDialog start(app, [&app](const std::string& address, const std::atomic<bool>&) {
            return app.xml.LoadDownloaded(address, kCatalogue, app.shops);
        });
        QEventLoop wait;
        QObject::connect(&start, &CStartDialog::loadFinished, &wait, &QEventLoop::quit);
        start.show();
        wait.exec();
        ok = Save(start, out, "start-window") && ok;
    }
    {
        CStartDialog failed(app, [](const std::string& address, const std::atomic<bool>&) {
            return address + ": Couldn't connect to server";
        });
        QEventLoop wait;
        QObject::connect(&failed, &CStartDialog::loadFinished, &wait, &QEventLoop::quit);
        failed.show();
        wait.exec();
        ok = Save(failed, out, "start-window-failed") && ok;
    }
    {
        // An order of 37 photos that stopped on 7 December after 21 had arrived.
        orlavo::transmission::OrderJournal j;
        j.orderId = "Q7fK2mWx9TbR4nA";
        j.profile = "Screens";
        j.uploadUrl = "http://127.0.0.1:8080/upload";
        std::tm day{};
        const std::time_t now = std::time(nullptr);
        localtime_r(&now, &day);
        day.tm_mday = 7;
        day.tm_mon = 11;
        day.tm_hour = 12;
        day.tm_isdst = -1;
        j.startedAt = static_cast<std::int64_t>(std::mktime(&day));
        j.details.cctype = "1";
        for (int n = 1; n <= 37; ++n) {
            orlavo::transmission::JournalPhoto p;
            p.number = n;
            p.path = "/home/ada/Pictures/holiday_" + std::to_string(n) + ".jpg";
            p.lines = {{"6X4G", 1, 0}};
            p.accepted = n <= 21;
            j.photos.push_back(p);
        }
        std::string error;
        orlavo::transmission::JournalFolder::Default().ClaimNew(j, error);
        CStartDialog start(app, [&app](const std::string& address, const std::atomic<bool>&) {
            return app.xml.LoadDownloaded(address, kCatalogue, app.shops);
        });
        QEventLoop wait;
        QObject::connect(&start, &CStartDialog::loadFinished, &wait, &QEventLoop::quit);
        start.show();
        wait.exec();
        ok = Save(start, out, "start-window-resume") && ok;
        std::unique_ptr<orlavo::transmission::JournalClaim> drop =
            orlavo::transmission::JournalFolder::Default().ClaimInterrupted(j.orderId, error);
        if (drop)
            drop->Remove();
    }

    app.order.setProductCount(app.xml.GetProductCount());
    ok = SaveStepOne(app, out) && ok;
    ok = SaveDesktopPhotos(app, photos, out) && ok;
    // The later windows show an order of their own.
    app.emptyOrder();

    CMyProperySheet& sheet = *app.sheet();
    FillOrder(app);
    // Taller and wider than its least size: the blocks and their columns take the room.
    sheet.resize(sheet.sizeHint().expandedTo(QSize(1000, 760)));
    sheet.show();
    // Step 1 shown again takes up the new order, then Continue leads to step 2.
    sheet.setActivePage(0);
    sheet.onNext();
    ok = Save(sheet, out, "step2-products") && ok;
    ok = SavePreviews(app, photos, out) && ok;

    {
        CPreferencesDialog prefs(app);
        ok = Save(prefs, out, "preferences") && ok;
    }
    {
        CDealerKeyDialog dealer(app, "BATH01");
        ok = Save(dealer, out, "dealer-key") && ok;
    }
    {
        COrderSuccessfulPage sent(app, nullptr);
        ok = Save(sent, out, "order-sent") && ok;
    }
    {
        // Step 4: a customer with a card, home delivery, a quote with free prints.
        orlavo::wizard::CustomerDetails d;
        d.firstname = "Ada";
        d.lastname = "Lovelace";
        d.address1 = "12 Marlborough Buildings";
        d.city = "Bath";
        d.country = "United Kingdom";
        d.state = "Somerset";
        d.zip = "BA1 2LY";
        d.phone = "07700 900123";
        d.email = "ada@example.org";
        d.shippingName = "Ada Lovelace";
        d.shippingAddress1 = "12 Marlborough Buildings";
        d.shippingCity = "Bath";
        d.shippingCountry = "United Kingdom";
        d.shippingState = "Somerset";
        d.shippingZip = "BA1 2LY";
        d.shippingPhone = "07700 900123";
        d.cctype = "1";
        d.ccnumber = "4111111111111111";
        d.ccexpiremonth = "12";
        d.ccexpireyear = "2030";
        d.nameoncard = "A LOVELACE";
        d.vouchercode = "WELCOME10";
        orlavo::transmission::SetCustomerDetails(app.xml, d, std::nullopt);
        app.priceQuote = {"4.60", "5.89", "0.46",
                          "1.95", "2",    "10% off with WELCOME10. Two 6x4 prints are on us."};
        reg.setText(kDownloadInfo, "TermsOfServiceURL", "http://127.0.0.1:8080/terms");
        // The summary with its list of prints.
        sheet.resize(sheet.width(), 760);
        sheet.show();
        sheet.setActivePage(3);
        ok = Save(sheet, out, "step4") && ok;

        // The same order after the connection broke with 2 of its 4 photos at
        // the lab: the photos as files, so that the note can look at them.
        const orlavo::wizard::OrderModel shown = app.order;
        app.order = orlavo::wizard::OrderModel(app.xml.GetProductCount());
        for (std::size_t i = 0; i < shown.PhotoCount(); ++i) {
            const orlavo::wizard::SelectedPhoto& was = shown.photos()[i];
            const std::string jpeg = orlavo::lab::SamplePhotoMaker::MakePhoto(static_cast<int>(i));
            const std::string path =
                temp.filePath(QString("holiday_00%1.jpg").arg(i + 1)).toStdString();
            std::ofstream(path, std::ios::binary) << jpeg;
            const std::size_t at = app.order.AddPhoto(path, 0, jpeg.size(), was.width, was.height);
            for (std::size_t j = 0; j < was.orderLines.size(); ++j)
                app.order.SetQuantity(at, static_cast<int>(j), was.orderLines[j].quantity);
        }
        orlavo::transmission::OrderJournal j = orlavo::transmission::NewJournal(
            "Q7fK2mWx9TbR4nA", "Screens", app.uploadURL, std::time(nullptr), app.xml, app.order);
        j.photos[0].accepted = j.photos[1].accepted = true;
        std::string error;
        app.unfinishedOrder = orlavo::transmission::JournalFolder::Default().ClaimNew(j, error);
        // The note takes room of its own.
        sheet.resize(sheet.width(), 660);
        sheet.setActivePage(3);
        ok = Save(sheet, out, "step4-resume") && ok;
        app.unfinishedOrder->Remove();
        app.unfinishedOrder.reset();
        app.order = shown;
        sheet.setActivePage(1);
    }
    {
        // The upload window with the second of three photos on its way.
        for (int i = 0; i < 3; ++i) {
            const std::string jpeg = orlavo::lab::SamplePhotoMaker::MakePhoto(i);
            const QImage photo = QImage::fromData(reinterpret_cast<const uchar*>(jpeg.data()),
                                                  static_cast<int>(jpeg.size()));
            app.selectedThumbnails.append(
                photo.scaled(92, 92, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        }
        CUploadDialog upload(app);
        upload.setOrderRange(3);
        upload.showThumbnail(1);
        upload.showThumbnail(2);
        upload.showBytes(240000, 400000, 650000, 1200000);
        upload.showEstimate("0:0:42");
        ok = Save(upload, out, "upload") && ok;
        upload.showRetryCountdown(4);
        ok = Save(upload, out, "upload-retry") && ok;
    }
    {
        // The quit question as ShowAppMessageId shows it.
        QMessageBox quit(QMessageBox::Question, QString::fromStdString(orlavo::wizard::Str(108)),
                         QString::fromStdString(orlavo::wizard::Str(161)),
                         QMessageBox::Yes | QMessageBox::No);
        ok = Save(quit, out, "quit-question") && ok;
    }
    ok = SaveDetailsPage(app, out) && ok;
    ok = SaveUpdaterScreens(out) && ok;
    return ok ? 0 : 1;
}
