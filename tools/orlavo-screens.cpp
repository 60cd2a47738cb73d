// orlavo-screens: draws the wizard's windows with sample settings, a sample
// catalogue and the lab's sample photos and saves each as a PNG, for the
// documentation.
//   orlavo-screens OUTPUT-FOLDER
// Uses a settings store in a temporary folder; nothing is sent anywhere.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "common/RegistryRoot.h"
#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "resources/WizardResources.h"
#include "wizard/app/AppEffects.h"
#include "wizard/app/CDealerKeyDialog.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/COrderSuccessfulPage.h"
#include "wizard/app/CPreferencesDialog.h"
#include "wizard/app/CStartDialog.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/app/StepPages.h"
#include "wizard/photos/ThumbnailLoader.h"
#include "wizard/photos/ui/CSelectImagePage.h"

namespace {

constexpr const char* kCatalogue = R"xml(<?xml version="1.0"?>
<affiliateinfo>
  <affiliate id="1001" currency="GBP"/>
  <products>
    <product id="6X4G" name="6x4" prod_description="6x4 in Gloss (152 x 102 mm)" price="0.25" x_dim="152" y_dim="102"/>
    <product id="7X5G" name="7x5" prod_description="7x5 in Gloss (178 x 127 mm)" price="0.45" x_dim="178" y_dim="127"/>
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
                                        QMessageBox::StandardButtons) override {
        return QMessageBox::Ok;
    }
    bool open(const QString&) override { return true; }
    void beep() override {}
    bool browseForFolder(QWidget*, const QString&, QString&) override { return false; }
};

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
    const bool ok = sheet.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
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
        CStartDialog start(app, [&app](const std::string& address) {
            return app.xml.LoadDownloaded(address, kCatalogue, app.shops);
        });
        QEventLoop wait;
        QObject::connect(&start, &CStartDialog::loadFinished, &wait, &QEventLoop::quit);
        start.show();
        wait.exec();
        ok = Save(start, out, "start-window") && ok;
    }
    {
        CStartDialog failed(app, [](const std::string& address) {
            return address + ": Couldn't connect to server";
        });
        QEventLoop wait;
        QObject::connect(&failed, &CStartDialog::loadFinished, &wait, &QEventLoop::quit);
        failed.show();
        wait.exec();
        ok = Save(failed, out, "start-window-failed") && ok;
    }

    app.order.setProductCount(app.xml.GetProductCount());
    ok = SaveStepOne(app, out) && ok;

    CMyProperySheet& sheet = *app.sheet();
    sheet.show();
    sheet.onNext();
    ok = Save(sheet, out, "sheet") && ok;

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
        // The quit question as ShowAppMessageId shows it.
        QMessageBox quit(QMessageBox::Question, QString::fromStdString(orlavo::wizard::Str(108)),
                         QString::fromStdString(orlavo::wizard::Str(161)),
                         QMessageBox::Yes | QMessageBox::No);
        ok = Save(quit, out, "quit-question") && ok;
    }
    return ok ? 0 : 1;
}
