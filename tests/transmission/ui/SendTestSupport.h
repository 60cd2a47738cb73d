#pragma once
// Set-up of the step-4 window tests: the application object with the real
// summary page as step 4 (the other steps are the sheet's heading-only pages),
// a real orlavo-lab on loopback, sample photos, a customer written into the
// manifest template as the details step writes it, and a price quote.

#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/SettingsTable.h"
#include "platform/XmlDocument.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/LabProcess.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TempDir.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/COrderSuccessfulPage.h"
#include "wizard/app/CPlaceholderPage.h"
#include "wizard/transmission/TransferManifest.h"
#include "wizard/transmission/ui/COrderSummaryPage.h"
#include "wizard/transmission/ui/CUploadDialog.h"

namespace orlavo::transmission::uitest {

namespace fs = std::filesystem;

// A customer of the lab's demo catalogue: Visa, home delivery to France.
inline wizard::CustomerDetails Customer() {
    wizard::CustomerDetails r;
    r.firstname = "Ada";
    r.lastname = "Byron";
    r.address1 = "1 Mill Lane";
    r.city = "Bath";
    r.country = "United Kingdom";
    r.state = "Somerset";
    r.zip = "BA1 1AA";
    r.phone = "01225 000000";
    r.email = "ada@example.com";
    r.shippingName = "Ada Byron";
    r.shippingAddress1 = "2 Rue Haute";
    r.shippingCity = "Paris";
    r.shippingCountry = "France";
    r.shippingZip = "75001";
    r.cctype = "1";
    r.ccnumber = "4111111111111111";
    r.ccexpiremonth = "12";
    r.ccexpireyear = "2039";
    r.nameoncard = "A BYRON";
    r.securitycode = "737";
    return r;
}

// One photo as the lab kept it: its manifest.
struct KeptPhoto {
    int number = 0;
    std::string orderId;
    int count = 0;
    std::string firstName;
    std::vector<std::pair<std::string, std::string>> products;  // id, qty
};

// Records like RecordingEffects and may act while a message box would be open.
class HookedEffects : public RecordingEffects {
public:
    QMessageBox::StandardButton message(QWidget* owner, const QString& caption, const QString& text,
                                        QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override {
        if (whileOpen)
            whileOpen();
        return RecordingEffects::message(owner, caption, text, icon, buttons, defaultButton);
    }
    std::function<void()> whileOpen;
};

class SendTest : public AppTest {
public:
    static void SetUpTestSuite() {
        samples_ = std::make_unique<test::TempDir>("orlavo-samples");
        ASSERT_TRUE(test::LabProcess::MakeSamplePhotos(samples_->path(), 3));
    }
    static void TearDownTestSuite() { samples_.reset(); }

    void TearDown() override {
        // The sheet and any upload window go first: a worker may still talk to the lab.
        app_.reset();
        lab_.reset();
        AppTest::TearDown();
    }

    // The application object after start-up, step 4 the summary page.
    CWizardApp& start() {
        app_ = std::make_unique<CWizardApp>(
            std::vector<std::string>{"transmission_ui_tests", "UiTest"}, effects, std::string(),
            [](CWizardApp& app, int step, QWidget* parent) -> CWizardPage* {
                if (step == 4)
                    return new COrderSummaryPage(app, parent);
                return new CPlaceholderPage(app, step, parent);
            });
        EXPECT_TRUE(app_->StartUp());
        // A photo is sent again after moments, not seconds.
        using namespace std::chrono_literals;
        page().setRetryPauses({10ms, 10ms, 10ms});
        return *app_;
    }

    CMyProperySheet& sheet() { return *app_->sheet(); }
    COrderSummaryPage& page() { return *static_cast<COrderSummaryPage*>(sheet().page(3)); }

    // (Re)starts the lab on the same data folder and points the wizard at it.
    void startLab(std::vector<std::string> args = {}) {
        lab_.reset();
        lab_ = std::make_unique<test::LabProcess>(labData_.path(), std::move(args));
        ASSERT_TRUE(lab_->running()) << lab_->error();
        if (app_)
            app_->uploadURL = lab_->url("/upload");
    }
    test::LabProcess& lab() { return *lab_; }

    // The lab's catalogue, a customer and a quote: what steps 1 to 3 leave.
    void prepareOrder(const std::vector<std::vector<std::pair<int, int>>>& lines,
                      const wizard::CustomerDetails& customer = Customer()) {
        ASSERT_EQ(app_->LoadCatalogue(lab_->url("/catalogue.xml")), "");
        app_->order.setProductCount(app_->xml.GetProductCount());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::string name = "sample_00" + std::to_string(i + 1) + ".jpg";
            const fs::path photo = photos_.path() / name;
            fs::copy_file(samples_->path() / name, photo, fs::copy_options::overwrite_existing);
            QImage thumb;
            ASSERT_TRUE(thumb.load(QString::fromStdString(photo.string())));
            app_->selectedThumbnails.append(thumb.scaled(92, 92, Qt::KeepAspectRatio));
            const std::size_t index =
                app_->order.AddPhoto(photo.string(), 0, fs::file_size(photo), 0, 0);
            for (auto [product, quantity] : lines[i])
                app_->order.SetQuantity(index, product, quantity);
        }
        ASSERT_TRUE(SetCustomerDetails(app_->xml, customer, std::nullopt));
        app_->priceQuote = {"4.60", "6.55", "0.00", "1.95", "0", "Thank you for your order."};
        reg().setText(section::kDownloadInfo, "TermsOfServiceURL", lab_->url("/terms"));
    }
    fs::path photoPath(int i) const {
        return photos_.path() / ("sample_00" + std::to_string(i + 1) + ".jpg");
    }

    // Shows the sheet on step 4.
    void showSummary() {
        sheet().show();
        sheet().setActivePage(3);
    }

    // Presses "Send Order" and waits until the send has been handled.
    std::optional<SendOutcome> send(int timeoutMs = 30000) {
        std::optional<SendOutcome> outcome;
        QMetaObject::Connection c =
            QObject::connect(&page(), &COrderSummaryPage::sendHandled,
                             [&outcome](const SendOutcome& o) { outcome = o; });
        pressSend();
        (void)QTest::qWaitFor([&] { return outcome.has_value(); }, timeoutMs);
        QObject::disconnect(c);
        return outcome;
    }
    // Presses "Send Order"; the upload window is open afterwards.
    CUploadDialog* pressSend() {
        QTest::mouseClick(sheet().nextButton(), Qt::LeftButton);
        return page().uploadDialog();
    }

    // The orders the lab keeps, by id.
    std::vector<std::string> keptOrders() const {
        std::vector<std::string> ids;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(lab_->ordersDir(), ec))
            if (entry.is_directory())
                ids.push_back(entry.path().filename().string());
        return ids;
    }
    std::vector<KeptPhoto> keptPhotos(const std::string& id) const {
        std::vector<KeptPhoto> photos;
        for (int n = 1; n < 100; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "photo-%03d.xml", n);
            const fs::path file = lab_->ordersDir() / id / name;
            if (!fs::exists(file))
                continue;
            xml::Document doc;
            if (!doc.loadBytes(test::ReadFile(file)))
                continue;
            KeptPhoto p;
            p.number = std::atoi(
                doc.selectSingle("transfermanifest/file").attribute("currentnumphoto").c_str());
            p.orderId = doc.selectSingle("transfermanifest/extra").attribute("uniqueid");
            p.count = std::atoi(
                doc.selectSingle("transfermanifest/extra").attribute("numphotos").c_str());
            p.firstName = doc.selectSingle("transfermanifest/user").attribute("firstname");
            for (const xml::Node& product : doc.selectAll("transfermanifest/file/product"))
                p.products.emplace_back(product.attribute("id"), product.attribute("qty"));
            photos.push_back(p);
        }
        return photos;
    }

    COrderSuccessfulPage* successWindow() { return sheet().findChild<COrderSuccessfulPage*>(); }

    // The order journals in the state folder.
    std::vector<std::string> journals() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(stateFolder(), ec))
            if (entry.path().extension() == ".journal")
                names.push_back(entry.path().filename().string());
        return names;
    }

    // Stands for the fixture's recording effects in every window of these tests.
    HookedEffects effects;
    test::TempDir labData_{"orlavo-lab-data"};
    test::TempDir photos_{"orlavo-photos"};
    std::unique_ptr<test::LabProcess> lab_;
    static inline std::unique_ptr<test::TempDir> samples_;
};

}  // namespace orlavo::transmission::uitest
