// The updater's window and application object on the offscreen platform,
// against a real lab, with a stand-in wizard that records how it was started.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>

#include "common/SettingsTable.h"
#include "platform/ResourceBundle.h"
#include "platform/look/Look.h"
#include "resources/UpdaterResources.h"
#include "tests/support/RawHttpServer.h"
#include "tests/updater/UpdaterTestSupport.h"
#include "updater/ui/CUpdaterApp.h"
#include "updater/ui/CUpdaterDialog.h"
#include "updater/ui/UpdaterEffects.h"
#include "updater/ui/UpdaterLook.h"

namespace {

namespace fs = std::filesystem;
using orlavo::updater::Str;
using State = CUpdaterDialog::State;

QString S(int id) {
    return QString::fromStdString(Str(id));
}

// Runs the event loop until DONE holds or TIMEOUT_MS have passed; whether it
// holds. (Qt Test's QTRY macros report to Qt Test, not to this framework.)
bool Eventually(const std::function<bool()>& done, int timeoutMs = 5000) {
    return QTest::qWaitFor(done, timeoutMs);
}

struct StartedProgram {
    QString program;
    QStringList arguments;
    QString folder;
};

// Message boxes are recorded and answered OK; programs are really started.
class RecordingUpdaterEffects : public UpdaterEffects {
public:
    QMessageBox::StandardButton message(QWidget*, const QString& caption, const QString& text,
                                        QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons) override {
        messages.push_back({caption, text, icon});
        return QMessageBox::Ok;
    }
    bool startProgram(const QString& program, const QStringList& arguments,
                      const QString& folder) override {
        started.push_back({program, arguments, folder});
        return real.startProgram(program, arguments, folder);
    }

    struct Shown {
        QString caption;
        QString text;
        QMessageBox::Icon icon;
    };
    std::vector<Shown> messages;
    std::vector<StartedProgram> started;
    DesktopUpdaterEffects real;
};

class UpdaterWindowTest : public orlavo::updatertest::UpdaterLabTest {
protected:
    void SetUp() override {
        UpdaterLabTest::SetUp();
        qputenv("ORLAVO_REGISTRY", QByteArray::fromStdString(registryPath()));
        qputenv("ORLAVO_STANDIN_RECORD", QByteArray::fromStdString(recordFile().string()));
        fs::copy_file(ORLAVO_STANDIN_OLD, installDir() / "OrlavoW");
        fs::create_directories(programFolder());
    }
    void TearDown() override {
        app_.reset();
        orlavo::updater::Resources().reset();
        qunsetenv("ORLAVO_REGISTRY");
        qunsetenv("ORLAVO_STANDIN_RECORD");
    }

    fs::path recordFile() const { return sandbox_.path() / "wizard-started.txt"; }
    fs::path programFolder() const { return sandbox_.path() / "program"; }

    // The settings an installation has, pointing at the lab.
    void writeSettings(const std::string& localPath) {
        auto reg = registry();
        reg.setText(orlavo::section::kSettings, "LocalPath", localPath);
        reg.setText(orlavo::section::kSettings, "UpdateURL", manifestUrl());
    }

    CUpdaterApp& startApp(std::vector<std::string> args = {"Halvane", "Branch12"}) {
        app_ =
            std::make_unique<CUpdaterApp>(std::move(args), effects, programFolder().string() + "/");
        app_->StartUp();
        return *app_;
    }

    // Where and how the stand-in wizard was started: its folder, then its arguments.
    QStringList wizardRecord() const {
        return QString::fromStdString(orlavo::test::ReadFile(recordFile())).split('\n');
    }

    RecordingUpdaterEffects effects;
    std::unique_ptr<CUpdaterApp> app_;
};

TEST_F(UpdaterWindowTest, MissingSettingsAreReportedAndNothingStarts) {
    startLab();
    struct Case {
        const char* localPath;
        bool withUrl;
    } cases[] = {{"", true}, {"/opt/orlavo/", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.localPath);
        auto reg = registry();
        reg.setText(orlavo::section::kSettings, "LocalPath", c.localPath);
        reg.setText(orlavo::section::kSettings, "UpdateURL", c.withUrl ? manifestUrl() : "");
        effects.messages.clear();
        CUpdaterApp& app = startApp();
        CUpdaterDialog dialog(app);
        EXPECT_EQ(dialog.run(), QDialog::Rejected);
        EXPECT_EQ(dialog.state(), State::Starting);
        ASSERT_EQ(effects.messages.size(), 1u);
        EXPECT_EQ(effects.messages[0].caption, "OrlavoW");
        EXPECT_EQ(effects.messages[0].text, S(112));
        EXPECT_EQ(effects.messages[0].icon, QMessageBox::Critical);
        EXPECT_FALSE(app.StartWizard(dialog.result()));
    }
    EXPECT_TRUE(effects.started.empty());
}

TEST_F(UpdaterWindowTest, SettingsThatCannotBeReadAreExplainedAndNothingStarts) {
    // Damaged: set aside, and said where.
    fs::create_directories(fs::path(registryPath()).parent_path());
    std::ofstream(registryPath(), std::ios::binary) << "not a settings store\n";
    CUpdaterApp& app = startApp();
    {
        CUpdaterDialog dialog(app);
        EXPECT_EQ(dialog.run(), QDialog::Rejected);
    }
    ASSERT_EQ(effects.messages.size(), 1u);
    const QString text = effects.messages[0].text;
    EXPECT_TRUE(text.startsWith("The settings were damaged. They have been set aside as " +
                                QString::fromStdString(registryPath()) + ".damaged-"))
        << text.toStdString();
    EXPECT_EQ(effects.messages[0].icon, QMessageBox::Critical);

    // Unreadable: the store's name is a folder.
    fs::remove(registryPath());
    fs::create_directories(registryPath());
    effects.messages.clear();
    CUpdaterApp& again = startApp();
    CUpdaterDialog dialog(again);
    EXPECT_EQ(dialog.run(), QDialog::Rejected);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_TRUE(effects.messages[0].text.startsWith("The settings could not be read: " +
                                                    QString::fromStdString(registryPath())))
        << effects.messages[0].text.toStdString();
    EXPECT_FALSE(again.StartWizard(dialog.result()));
    EXPECT_TRUE(effects.started.empty());
    fs::remove(registryPath());
}

TEST_F(UpdaterWindowTest, WhenEverythingIsCurrentTheWizardStartsAtOnceWithTheProfile) {
    serve("1.jpg", "current");
    install("1.jpg", "current");
    startLab();
    writeManifest(R"(<auto_update><customer download_url="$FILES">
      <image filename="1.jpg" size="7"/></customer></auto_update>)");
    // Stored without its final "/".
    writeSettings(installDir().string());

    startApp().InitInstance();
    ASSERT_EQ(effects.started.size(), 1u);
    const QString folder = QString::fromStdString(installDir().string()) + "/";
    EXPECT_EQ(effects.started[0].program, folder + "OrlavoW");
    EXPECT_EQ(effects.started[0].arguments, QStringList{"Branch12"});
    EXPECT_EQ(effects.started[0].folder, folder);
    // The stand-in says where it runs and what it was given.
    ASSERT_TRUE(Eventually([&] { return wizardRecord().size() == 3; }, 10000));
    EXPECT_EQ(wizardRecord()[0], QString::fromStdString(installDir().string()));
    EXPECT_EQ(wizardRecord()[1], "Branch12");
}

TEST_F(UpdaterWindowTest, PhotosItIsOpenedWithGoToTheWizardAfterTheProfile) {
    startLab();
    writeManifest("<auto_update/>");
    writeSettings(installDir().string() + "/");
    const fs::path photo = sandbox_.write("a b.jpg", "\xFF\xD8\xFF");

    // After the profile, as paths; one that is gone is the wizard's to name.
    startApp({"Halvane", "Branch12", "file://" + (sandbox_.path() / "a%20b.jpg").string(),
              "/gone/c.jpg"})
        .InitInstance();
    ASSERT_EQ(effects.started.size(), 1u);
    const QString path = QString::fromStdString(photo.string());
    EXPECT_EQ(effects.started[0].arguments, (QStringList{"Branch12", path, "/gone/c.jpg"}));
}

TEST_F(UpdaterWindowTest, AWizardThatCannotBeStartedIsReported) {
    fs::remove(installDir() / "OrlavoW");
    startLab();
    writeManifest("<auto_update/>");
    writeSettings(installDir().string() + "/");

    startApp().InitInstance();
    ASSERT_EQ(effects.started.size(), 1u);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].caption, "OrlavoW");
    EXPECT_EQ(effects.messages[0].text, "Zadozu Orlavo could not be started from " +
                                            QString::fromStdString(installDir().string()) + "/.");
}

TEST_F(UpdaterWindowTest, OffersInstallsAndFinishesThenStartsTheWizard) {
    install("1.jpg", "old");
    serve("1.jpg", std::string(3 << 20, 'n'));
    startLab();
    writeManifest(R"(<auto_update><customer download_url="$FILES">
      <image filename="1.jpg" size="3145728"/>
      <registry_updates><key name="UploadURL" value="https://lab/upload"/>
        <key name="RegistryVersion" value="2"/></registry_updates>
    </customer></auto_update>)");
    writeSettings(installDir().string() + "/");

    CUpdaterApp& app = startApp();
    CUpdaterDialog dialog(app);
    std::vector<State> states;
    bool installingShown = false;
    QObject::connect(&dialog, &CUpdaterDialog::stateChanged, [&](State s) {
        states.push_back(s);
        if (s == State::Installing)
            installingShown = dialog.progressBar()->isVisible() &&
                              !dialog.nextButton()->isEnabled() &&
                              dialog.statusText()->text() == S(111);
    });
    ASSERT_TRUE(dialog.initDialog());
    EXPECT_EQ(dialog.windowTitle(), "Zadozu Orlavo Tessaly");
    EXPECT_EQ(dialog.versionLabel()->text(), "Version 2.0.44.3");
    EXPECT_FALSE(dialog.picture()->pixmap().isNull());
    dialog.show();
    EXPECT_EQ(dialog.statusText()->text(), "Tessaly is searching for updates to your software");
    EXPECT_FALSE(dialog.nextButton()->isVisible());
    EXPECT_FALSE(dialog.progressBar()->isVisible());

    ASSERT_TRUE(Eventually([&] { return dialog.state() == State::Offered; }));
    EXPECT_EQ(dialog.updateCount(), 2);
    EXPECT_EQ(dialog.statusText()->text(), S(109));
    EXPECT_TRUE(dialog.nextButton()->isVisible());
    EXPECT_TRUE(dialog.nextButton()->isEnabled());
    EXPECT_EQ(dialog.nextButton()->text(), "&Next >");

    QTest::mouseClick(dialog.nextButton(), Qt::LeftButton);
    ASSERT_TRUE(Eventually([&] { return dialog.state() == State::Done; }, 20000));
    EXPECT_TRUE(installingShown);
    EXPECT_EQ(dialog.statusText()->text(), S(104));
    EXPECT_TRUE(S(104).startsWith("Your software is now up-to-date.")) << S(104).toStdString();
    EXPECT_EQ(dialog.nextButton()->text(), "Finish");
    EXPECT_TRUE(dialog.nextButton()->isEnabled());
    EXPECT_FALSE(dialog.progressBar()->isVisible());
    EXPECT_EQ(states, (std::vector<State>{State::Searching, State::Offered, State::Installing,
                                          State::Done}));
    EXPECT_EQ(installed("1.jpg").size(), 3u << 20);
    EXPECT_EQ(registry().getText(orlavo::section::kDownloadInfo, "UploadURL"),
              "https://lab/upload");

    QTest::mouseClick(dialog.nextButton(), Qt::LeftButton);
    ASSERT_TRUE(Eventually([&] { return !dialog.isVisible(); }));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(app.StartWizard(dialog.result()));
    ASSERT_TRUE(Eventually([&] { return wizardRecord().size() == 3; }, 10000));
    EXPECT_EQ(wizardRecord()[1], "Branch12");
}

TEST_F(UpdaterWindowTest, AFailedCheckLeavesOnlyCancel) {
    struct Case {
        const char* what;
        std::string manifest;  // empty: none on the lab
    } cases[] = {
        {"no manifest", ""},
        {"text among the libraries",
         "<auto_update><app download_url=\"$FILES\"><app_dll>x<dll filename=\"a\"/></app_dll>"
         "</app></auto_update>"},
    };
    startLab();
    writeSettings(installDir().string() + "/");
    CUpdaterApp& app = startApp();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::error_code ec;
        fs::remove(labDir() / "update" / "auto_update.xml", ec);
        if (!c.manifest.empty())
            writeManifest(c.manifest);
        CUpdaterDialog dialog(app);
        ASSERT_TRUE(dialog.initDialog());
        dialog.show();
        ASSERT_TRUE(Eventually([&] { return dialog.state() == State::Failed; }));
        EXPECT_EQ(dialog.statusText()->text(), S(105));
        EXPECT_FALSE(dialog.nextButton()->isVisible());
        EXPECT_TRUE(dialog.cancelButton()->isEnabled());
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        ASSERT_TRUE(Eventually([&] { return !dialog.isVisible(); }));
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_FALSE(app.StartWizard(dialog.result()));
    }
    EXPECT_TRUE(effects.started.empty());
}

TEST_F(UpdaterWindowTest, CancelWhileFilesArriveInstallsNothingAndSaysSo) {
    install("1.jpg", "old");
    serve("1.jpg", "new picture");
    // Every answer waits a while: the download is under way when Cancel comes.
    startLab({"--delay-ms", "800"});
    writeManifest(R"(<auto_update><customer download_url="$FILES">
      <image filename="1.jpg" size="11"/>
      <registry_updates><key name="RegistryVersion" value="2"/></registry_updates>
    </customer></auto_update>)");
    writeSettings(installDir().string() + "/");

    CUpdaterApp& app = startApp();
    CUpdaterDialog dialog(app);
    ASSERT_TRUE(dialog.initDialog());
    dialog.show();
    ASSERT_TRUE(Eventually([&] { return dialog.state() == State::Offered; }, 10000));
    QTest::mouseClick(dialog.nextButton(), Qt::LeftButton);
    // The window goes on answering while the file is on its way.
    ASSERT_TRUE(Eventually([&] { return dialog.detailText()->text() == "Receiving 1.jpg"; }));
    QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.cancelButton()->isEnabled());
    // It stops, says that nothing changed, and offers the wizard as it is.
    ASSERT_TRUE(Eventually([&] { return dialog.state() == State::Stopped; }, 10000));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.statusText()->text(), S(2015));
    EXPECT_EQ(dialog.nextButton()->text(), "Finish");
    EXPECT_TRUE(dialog.nextButton()->isEnabled());
    EXPECT_TRUE(dialog.cancelButton()->isEnabled());
    EXPECT_FALSE(dialog.progressBar()->isVisible());
    EXPECT_EQ(installed("1.jpg"), "old");
    EXPECT_EQ(registry().getNumber(orlavo::section::kSettings, "RegistryVersion"), 0);
    QTest::mouseClick(dialog.nextButton(), Qt::LeftButton);
    ASSERT_TRUE(Eventually([&] { return !dialog.isVisible(); }));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(app.StartWizard(dialog.result()));
}

// Stands in for an installation of many files: it reports putting one in
// place and waits there for Cancel, then ends with RESULT.
class StoppableRunner : public orlavo::updater::UpdateRunner {
public:
    explicit StoppableRunner(orlavo::updater::InstallResult result) : result_(result) {}
    orlavo::updater::CheckResult check(orlavo::updater::UpdateObserver&) override {
        return {orlavo::updater::CheckOutcome::Offered, result_.filesDue, {}};
    }
    orlavo::updater::InstallResult install(orlavo::updater::UpdateObserver& observer) override {
        observer.installStarted(result_.filesDue + 1);
        observer.copying("p05000.jpg");
        std::unique_lock lock(mutex_);
        cancelled_.wait(lock, [this] { return cancel_; });
        return result_;
    }
    void cancel() override {
        std::lock_guard lock(mutex_);
        cancel_ = true;
        cancelled_.notify_all();
    }

private:
    orlavo::updater::InstallResult result_;
    std::mutex mutex_;
    std::condition_variable cancelled_;
    bool cancel_ = false;
};

TEST_F(UpdaterWindowTest, CancelWhileFilesArePutInPlaceSaysHowFarItGot) {
    auto reg = registry();
    reg.setText(orlavo::section::kSettings, "LocalPath", installDir().string() + "/");
    reg.setText(orlavo::section::kSettings, "UpdateURL", "http://127.0.0.1:9/auto_update.xml");
    using orlavo::updater::InstallOutcome;
    const struct {
        const char* what;
        orlavo::updater::InstallResult result;
        State state;
        QString status;
    } cases[] = {
        {"all taken back", {InstallOutcome::Cancelled, 10000, 0}, State::Stopped, S(2015)},
        {"three could not be taken back",
         {InstallOutcome::Cancelled, 10000, 3},
         State::Failed,
         "The update was cancelled after 3 of 10000 files had been put in place, and they could "
         "not all be taken back.\nPlease start the update again to complete it."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CUpdaterApp& app = startApp();
        CUpdaterDialog dialog(app, [&](const orlavo::updater::UpdateSettings&) {
            return std::make_unique<StoppableRunner>(c.result);
        });
        ASSERT_TRUE(dialog.initDialog());
        dialog.show();
        ASSERT_TRUE(Eventually([&] { return dialog.state() == State::Offered; }));
        QTest::mouseClick(dialog.nextButton(), Qt::LeftButton);
        ASSERT_TRUE(
            Eventually([&] { return dialog.detailText()->text() == "Installing p05000.jpg"; }));
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        ASSERT_TRUE(Eventually([&] { return dialog.state() == c.state; }));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.statusText()->text(), c.status);
        // The wizard is offered only when the installation is as it was.
        EXPECT_EQ(dialog.nextButton()->isEnabled(), c.state == State::Stopped);
        EXPECT_TRUE(dialog.cancelButton()->isEnabled());
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        ASSERT_TRUE(Eventually([&] { return !dialog.isVisible(); }));
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    EXPECT_TRUE(effects.started.empty());
}

// A server that drips the manifest cannot keep the window searching: at its
// deadline the window says so, and the wizard is still reached.
TEST_F(UpdaterWindowTest, ADrippedManifestEndsAtItsDeadlineAndTheWizardStillStarts) {
    orlavo::test::RawHttpServer server([](const orlavo::test::RawRequest&) {
        auto r = orlavo::test::RawResponse::Http(200, "OK", "<auto_update/>");
        r.drip = std::chrono::milliseconds(500);
        return r;
    });
    auto reg = registry();
    reg.setText(orlavo::section::kSettings, "LocalPath", installDir().string() + "/");
    reg.setText(orlavo::section::kSettings, "UpdateURL", server.url("/auto_update.xml"));

    CUpdaterApp& app = startApp();
    CUpdaterDialog dialog(app, [](orlavo::updater::UpdateSettings settings) {
        settings.limits.base = std::chrono::seconds(2);
        return std::make_unique<orlavo::updater::UpdateSession>(settings);
    });
    ASSERT_TRUE(dialog.initDialog());
    dialog.show();
    ASSERT_TRUE(Eventually([&] { return dialog.state() == State::Stopped; }, 15000));
    EXPECT_EQ(dialog.statusText()->text(), S(2013));
    EXPECT_TRUE(S(2013).contains("too slowly"));
    EXPECT_EQ(dialog.nextButton()->text(), "Finish");
    QTest::mouseClick(dialog.nextButton(), Qt::LeftButton);
    ASSERT_TRUE(Eventually([&] { return !dialog.isVisible(); }));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(app.StartWizard(dialog.result()));
}

TEST_F(UpdaterWindowTest, AManifestWithARefusedNameSaysSoAndChangesNothing) {
    install("1.jpg", "old");
    serve("1.jpg", "new picture");
    startLab();
    writeManifest(R"(<auto_update><customer download_url="$FILES">
      <image filename="1.jpg" size="11"/><image filename="../../evil.so" size="4"/>
      <registry_updates><key name="UploadURL" value="https://elsewhere/upload"/>
        <key name="RegistryVersion" value="2"/></registry_updates>
    </customer></auto_update>)");
    writeSettings(installDir().string() + "/");

    CUpdaterApp& app = startApp();
    CUpdaterDialog dialog(app);
    ASSERT_TRUE(dialog.initDialog());
    dialog.show();
    ASSERT_TRUE(Eventually([&] { return dialog.state() == State::Stopped; }));
    EXPECT_EQ(dialog.statusText()->text(), S(2014));
    EXPECT_TRUE(S(2014).contains("file name"));
    EXPECT_FALSE(S(2014).contains("internet"));
    EXPECT_EQ(installed("1.jpg"), "old");
    EXPECT_EQ(registry().getText(orlavo::section::kDownloadInfo, "UploadURL"), "");
    QTest::mouseClick(dialog.nextButton(), Qt::LeftButton);
    ASSERT_TRUE(Eventually([&] { return !dialog.isVisible(); }));
    EXPECT_TRUE(app.StartWizard(dialog.result()));
}

TEST_F(UpdaterWindowTest, CancelAfterTheInstallationKeepsTheFilesButStartsNothing) {
    install("1.jpg", "old");
    serve("1.jpg", "new picture");
    startLab();
    writeManifest(R"(<auto_update><customer download_url="$FILES">
      <image filename="1.jpg" size="11"/></customer></auto_update>)");
    writeSettings(installDir().string() + "/");

    CUpdaterApp& app = startApp();
    CUpdaterDialog dialog(app);
    ASSERT_TRUE(dialog.initDialog());
    dialog.show();
    ASSERT_TRUE(Eventually([&] { return dialog.state() == State::Offered; }));
    QTest::mouseClick(dialog.nextButton(), Qt::LeftButton);
    ASSERT_TRUE(Eventually([&] { return dialog.state() == State::Done; }));
    QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(Eventually([&] { return !dialog.isVisible(); }));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(app.StartWizard(dialog.result()));
    EXPECT_EQ(installed("1.jpg"), "new picture");
    EXPECT_TRUE(effects.started.empty());
}

// The check of an installation shared by all users: files are due, the
// package manager keeps them; SETTINGS_DUE counts the settings still due.
class SharedInstallationRunner : public orlavo::updater::UpdateRunner {
public:
    SharedInstallationRunner(int settingsDue, int& installs)
        : settingsDue_(settingsDue), installs_(installs) {}
    orlavo::updater::CheckResult check(orlavo::updater::UpdateObserver&) override {
        return {orlavo::updater::CheckOutcome::Managed, settingsDue_, {}};
    }
    orlavo::updater::InstallResult install(orlavo::updater::UpdateObserver&) override {
        ++installs_;
        return {orlavo::updater::InstallOutcome::Done, 0, 0};
    }
    void cancel() override {}

private:
    int settingsDue_;
    int& installs_;
};

TEST_F(UpdaterWindowTest, ASharedInstallationSaysWhereItsUpdatesComeFromThenStartsTheWizard) {
    auto reg = registry();
    reg.setText(orlavo::section::kSettings, "LocalPath", installDir().string() + "/");
    reg.setText(orlavo::section::kSettings, "UpdateURL", "http://127.0.0.1:9/auto_update.xml");
    for (int settingsDue : {0, 1}) {
        SCOPED_TRACE(settingsDue);
        int installs = 0;
        CUpdaterApp& app = startApp();
        CUpdaterDialog dialog(app, [&](const orlavo::updater::UpdateSettings&) {
            return std::make_unique<SharedInstallationRunner>(settingsDue, installs);
        });
        ASSERT_TRUE(dialog.initDialog());
        dialog.show();
        ASSERT_TRUE(Eventually([&] { return dialog.state() == State::Managed; }));
        EXPECT_EQ(dialog.statusText()->text(), S(2008));
        EXPECT_TRUE(S(2008).contains("package manager"));
        EXPECT_EQ(dialog.nextButton()->text(), "Finish");
        EXPECT_TRUE(dialog.nextButton()->isVisible());
        EXPECT_TRUE(dialog.nextButton()->isEnabled());
        EXPECT_FALSE(dialog.progressBar()->isVisible());
        QTest::mouseClick(dialog.nextButton(), Qt::LeftButton);
        ASSERT_TRUE(Eventually([&] { return !dialog.isVisible(); }));
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(installs, settingsDue);
        EXPECT_TRUE(app.StartWizard(dialog.result()));
    }
    EXPECT_EQ(effects.started.size(), 2u);
    EXPECT_TRUE(effects.messages.empty());
}

TEST_F(UpdaterWindowTest, ABundleBesideTheProgramReplacesTextsAndPictures) {
    fs::copy_file(ORLAVO_UPDATER_TEST_BUNDLE, programFolder() / "HV_Res.rcc");
    startLab();
    writeSettings(installDir().string() + "/");
    CUpdaterApp& app = startApp();
    CUpdaterDialog dialog(app);
    ASSERT_TRUE(dialog.initDialog());
    EXPECT_EQ(dialog.windowTitle(), "Test Updater");
    EXPECT_EQ(dialog.statusText()->text(), "Looking");
    EXPECT_EQ(dialog.versionLabel()->text(), "v2.0.44.3");
    // The bundle's picture, 240 pixels wide, drawn across the same 480.
    const QPixmap picture = dialog.picture()->pixmap();
    EXPECT_EQ(picture.width(), 240);
    EXPECT_DOUBLE_EQ(picture.devicePixelRatio(), 0.5);
    EXPECT_FALSE(app.programIcon().isNull());
}

TEST(UpdaterTranslation, TheGermanBundleHasEveryText) {
    auto bundle = orlavo::ResourceBundle::Open(ORLAVO_UPDATER_GERMAN_BUNDLE);
    ASSERT_TRUE(bundle);
    const orlavo::StringTable german = bundle->strings();
    int texts = 0;
    for (const QString& line :
         QString::fromStdString(std::string(orlavo::updater::BuiltinStringText())).split('\n')) {
        if (line.isEmpty() || !line[0].isDigit())
            continue;
        const int id = line.section('\t', 0, 0).toInt();
        EXPECT_NE(german.get(id), "") << id;
        ++texts;
    }
    EXPECT_GT(texts, 10);
    EXPECT_TRUE(bundle->file("bitmaps/129.png"));
    EXPECT_TRUE(bundle->file("icons/128.png"));
}

// One look for both programs: the updater's window carries the shared sheet
// (each rule of it once) and the style draws the shared message icons.
TEST(UpdaterLook, IsTheLookTheWizardShares) {
    const QString& shared = orlavo::look::SharedStyleSheet();
    EXPECT_TRUE(UpdaterStyleSheet().startsWith(shared));
    EXPECT_EQ(UpdaterStyleSheet().count("QPushButton {"), 1);
    EXPECT_EQ(UpdaterStyleSheet().count("QProgressBar {"), 1);
    EXPECT_TRUE(UpdaterStyleSheet().contains("#banner"));
    ApplyUpdaterLook(*qApp);
    const QImage critical =
        qApp->style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32).toImage();
    // The red of the shared error sign, off its white cross.
    EXPECT_EQ(critical.pixelColor(16, 4).rgb() & 0xffffff, 0xd63a3au);
}

}  // namespace
