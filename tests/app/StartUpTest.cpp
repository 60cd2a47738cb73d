// Start-up of the application object: the profile, the settings read at
// start, the resource bundle check, the pictures, the message boxes.

#include <QDir>
#include <QFile>
#include <QPushButton>

#include "common/SettingsTable.h"
#include "resources/WizardResources.h"
#include "tests/app/AppTestSupport.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CWizardPage.h"

namespace {

using orlavo::section::kDownloadInfo;
using orlavo::section::kUserDetails;

class StartUpTest : public AppTest {
protected:
    void TearDown() override {
        AppTest::TearDown();
        orlavo::wizard::Resources().reset();
    }
    // A program folder of its own, with the bundle of VERSION when given.
    std::string folderWithBundle(const char* version) {
        const QString folder = tempPath("program");
        QDir().mkpath(folder);
        if (version) {
            const QString bundle = QString(ORLAVO_TEST_BUNDLES) + "/" + version + "/Resources.rcc";
            EXPECT_TRUE(QFile::copy(bundle, folder + "/Resources.rcc")) << bundle.toStdString();
        }
        return folder.toStdString() + "/";
    }
    CWizardApp& startIn(const std::string& folder) {
        app_ = std::make_unique<CWizardApp>(std::vector<std::string>{"OrlavoW", "UiTest"}, effects,
                                            folder);
        EXPECT_TRUE(app_->StartUp());
        return *app_;
    }
};

}  // namespace

TEST_F(StartUpTest, TheProfileArgumentSelectsTheSettingsKey) {
    orlavo::RegistryStore branch(orlavo::RegistryRoot("Branch12", "OrlavoW"));
    branch.setText(kDownloadInfo, "UploadURL", "http://127.0.0.1:9/branch/upload");
    branch.setText(kDownloadInfo, "PriceRequestURL", "http://127.0.0.1:9/branch/price");
    branch.setNumber(orlavo::section::kSettings, "Debug", 1);
    reg().setText(kDownloadInfo, "UploadURL", "http://127.0.0.1:9/other/upload");
    app_ = std::make_unique<CWizardApp>(
        std::vector<std::string>{"OrlavoW", "-style", "/x", "Branch12", "Second"}, effects);
    ASSERT_TRUE(app_->StartUp());
    EXPECT_EQ(app_->profile(), "Branch12");
    EXPECT_EQ(app_->uploadURL, "http://127.0.0.1:9/branch/upload");
    EXPECT_EQ(app_->priceRequestURL, "http://127.0.0.1:9/branch/price");
    EXPECT_EQ(app_->debug, 1);
    EXPECT_EQ(app_->registry().root(), orlavo::RegistryRoot("Branch12", "OrlavoW"));
}

TEST_F(StartUpTest, TheDealerNumberIsReadOnlyWhenTheModeIsNotZero) {
    reg().setText(kUserDetails, "DealerNumber", "D100");
    EXPECT_EQ(startApp().dealerNumber, "");
    reg().setText(kDownloadInfo, "UseDealerNumber", "-2");
    CWizardApp& app = startApp();
    EXPECT_EQ(app.dealerMode, -2);
    EXPECT_EQ(app.dealerNumber, "D100");
}

TEST_F(StartUpTest, BuildsTheSheetWithItsFourStepsAndTheProgramVersion) {
    CWizardApp& app = startApp();
    EXPECT_EQ(app.programVersion(), "2.0.44.3");
    ASSERT_NE(app.sheet(), nullptr);
    EXPECT_EQ(app.sheet()->pageCount(), 4);
    EXPECT_EQ(app.sheet()->page(3)->title(), "Zadozu Orlavo (Step 4 of 4)");
    EXPECT_FALSE(app.programIcon().isNull());
    // After start-up the application name is a single blank.
    EXPECT_EQ(QCoreApplication::applicationName(), " ");
}

TEST_F(StartUpTest, MissingPicturesLeaveEmptyPicturesAndStartUpGoesOn) {
    CWizardApp& app = startIn(folderWithBundle(nullptr));
    EXPECT_TRUE(app.startPicture().isNull());
    EXPECT_TRUE(app.bannerPicture().isNull());
    EXPECT_TRUE(app.orderSentPicture().isNull());
    EXPECT_EQ(app.sheet()->pageCount(), 4);
}

TEST_F(StartUpTest, ABundleOfAnotherBuildIsRefusedWithTheMessage) {
    QCoreApplication::setApplicationName("OrlavoW");
    startIn(folderWithBundle("2.0.45.3"));
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text, "Wrong Resources.dll version");
    EXPECT_EQ(effects.messages[0].caption, "OrlavoW");
    EXPECT_EQ(effects.messages[0].icon, QMessageBox::Warning);
    EXPECT_FALSE(orlavo::wizard::Resources().usingBundle());
    EXPECT_EQ(app_->sheet()->cancelButton()->text(), "Cancel");
}

TEST_F(StartUpTest, ABundleOfTheSameBuildReplacesTheTexts) {
    startIn(folderWithBundle("2.1.44.0"));
    EXPECT_TRUE(effects.messages.empty());
    EXPECT_TRUE(orlavo::wizard::Resources().usingBundle());
    EXPECT_EQ(app_->sheet()->cancelButton()->text(), "Abbrechen");
    EXPECT_EQ(app_->sheet()->backButton()->text(), "Zur\u00fcck");
}

TEST_F(StartUpTest, AppMessagesCarryTheCaptionAndReturnTheAnswer) {
    CWizardApp& app = startApp();
    effects.answers.push_back(QMessageBox::No);
    EXPECT_EQ(app.ShowAppMessageId(161, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No),
              QMessageBox::No);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].caption, "Zadozu Orlavo");
    EXPECT_EQ(effects.messages[0].text, "Are you sure you want to quit this program?");
}

TEST_F(StartUpTest, TheSheetsButtonsHoldTheirTranslatedCaptions) {
    const QString folder = tempPath("program");
    QDir().mkpath(folder);
    ASSERT_TRUE(
        QFile::copy(QString(ORLAVO_BUNDLES_DIR) + "/de/Resources.rcc", folder + "/Resources.rcc"));
    startIn(folder.toStdString() + "/");
    ASSERT_TRUE(orlavo::wizard::Resources().usingBundle());
    CMyProperySheet& s = *app_->sheet();
    s.show();
    QApplication::processEvents();
    for (int i = 0; i < 3; ++i)
        s.onNext();
    ASSERT_EQ(s.nextButton()->text(), "Bestellung senden");
    for (QPushButton* b : {s.backButton(), s.cancelButton(), s.helpButton(), s.nextButton()})
        EXPECT_GE(b->width(), b->sizeHint().width()) << b->text().toStdString();
}

TEST_F(StartUpTest, SettingsThatCannotBeReadAreExplainedInTheWizardsWords) {
    // Damaged: set aside under a name the message gives, and the start goes on.
    const QString store = tempPath("registry.sqlite3");
    {
        QFile junk(store);
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write("a shopping list, not settings\n");
    }
    CWizardApp& app = startApp();
    ASSERT_EQ(effects.messages.size(), 1u);
    const QString text = effects.messages[0].text;
    EXPECT_TRUE(text.startsWith("The settings were damaged. They have been set aside as " + store +
                                ".damaged-"))
        << text.toStdString();
    const QString aside =
        text.mid(text.indexOf(store), text.indexOf(", and") - text.indexOf(store));
    QFile kept(aside);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly)) << aside.toStdString();
    EXPECT_EQ(kept.readAll(), "a shopping list, not settings\n");
    EXPECT_EQ(app.sheet()->pageCount(), 4);

    // Unreadable: said, and the wizard does not start without its settings.
    app_.reset();
    QFile::remove(store);  // a fresh store is made only when written
    ASSERT_TRUE(QDir().mkpath(store));
    effects.messages.clear();
    app_ = std::make_unique<CWizardApp>(std::vector<std::string>{"app_tests", "UiTest"}, effects);
    EXPECT_FALSE(app_->StartUp());
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_TRUE(effects.messages[0].text.startsWith("The settings could not be read: " + store))
        << effects.messages[0].text.toStdString();
    EXPECT_EQ(effects.messages[0].icon, QMessageBox::Critical);
}
