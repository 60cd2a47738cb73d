// The installation against a real lab: what is downloaded, what is copied,
// what is written to the settings, and what is left when something fails.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <future>

#include "common/SettingsTable.h"
#include "platform/Sha256.h"
#include "tests/updater/UpdaterTestSupport.h"

namespace orlavo::updater {
namespace {

namespace fs = std::filesystem;
using updatertest::FilesBelow;
using updatertest::RecordingObserver;
using updatertest::UpdaterLabTest;
using updatertest::Versioned;

constexpr const char* kKeys = R"(<registry_updates>
    <key name="UploadURL" value="https://lab.example/upload"/>
    <key name="HelpURL" value="https://lab.example/help"/>
    <key name="RegistryVersion" value="4"/>
  </registry_updates>)";

class InstallUpdatesTest : public UpdaterLabTest {
protected:
    void SetUp() override {
        UpdaterLabTest::SetUp();
        registry().setNumber(section::kSettings, "RegistryVersion", 3);
    }

    // Checks, then installs; gives the check's count and the outcome.
    std::pair<int, InstallOutcome> run(RecordingObserver& observer) const {
        UpdateSession session(settings());
        const CheckResult check = session.check(observer);
        EXPECT_EQ(check.outcome, CheckOutcome::Offered) << check.error;
        return {check.count, session.install(observer)};
    }

    std::string downloadInfo(const char* name) const {
        return registry().getText(section::kDownloadInfo, name);
    }
    std::int32_t storedRegistryVersion() const {
        return registry().getNumber(section::kSettings, "RegistryVersion");
    }
};

TEST_F(InstallUpdatesTest, InstallsWhatIsOutOfDateThenWritesTheSettings) {
    const std::string newProgram = Versioned("2, 0, 0, 10", std::string(5000, 'n'));
    install("OrlavoW", Versioned("2, 0, 0, 9"));
    chmod((installDir() / "OrlavoW").c_str(), 0750);
    install("1.jpg", "old picture");
    install("images/2.jpg", "current");
    serve("OrlavoW", newProgram);
    serve("1.jpg", "the new picture");
    startLab();
    writeManifest(R"(<auto_update>
  <app download_url="$FILES"><app_exe>
    <exe filename="OrlavoW" version_num="2,0,0,10" sha256=")" +
                  Sha256Hex(newProgram) + R"("/>
  </app_exe></app>
  <customer download_url="$FILES">
    <image filename="1.jpg" size="15"/>
    <image filename="images/2.jpg" size="7"/>
    )" + kKeys + R"(
  </customer>
</auto_update>)");

    RecordingObserver observer;
    const auto [count, outcome] = run(observer);
    EXPECT_EQ(count, 3);  // two files and the settings
    EXPECT_EQ(outcome, InstallOutcome::Done);
    EXPECT_EQ(observer.steps, 4);
    EXPECT_EQ(observer.stepsDone, 4);
    EXPECT_EQ(observer.received, (std::vector<std::string>{"OrlavoW", "1.jpg"}));
    EXPECT_EQ(observer.copied, (std::vector<std::string>{"OrlavoW", "1.jpg"}));
    EXPECT_TRUE(observer.failures.empty());

    EXPECT_EQ(installed("OrlavoW"), newProgram);
    struct stat st {};
    stat((installDir() / "OrlavoW").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    EXPECT_EQ(installed("1.jpg"), "the new picture");
    EXPECT_EQ(installed("images/2.jpg"), "current");
    EXPECT_EQ(downloadInfo("UploadURL"), "https://lab.example/upload");
    EXPECT_EQ(downloadInfo("HelpURL"), "https://lab.example/help");
    auto version = registry().find(section::kSettings, "RegistryVersion");
    ASSERT_TRUE(version);
    EXPECT_EQ(version->type, ValueType::Number);
    EXPECT_EQ(version->number, 4);
    EXPECT_FALSE(registry().find(section::kDownloadInfo, "RegistryVersion"));

    // Nothing of the run is left: no temporary file here or in the temporary folder.
    EXPECT_EQ(FilesBelow(installDir()),
              (std::vector<std::string>{"1.jpg", "OrlavoW", "images", "images/2.jpg"}));
    EXPECT_EQ(FilesBelow(tempRoot()), std::vector<std::string>{});
}

TEST_F(InstallUpdatesTest, NewerSettingsAloneAreOneUpdateThatDownloadsNothing) {
    install("1.jpg", "current");
    startLab();
    writeManifest(std::string(R"(<auto_update><customer download_url="$FILES">
    <image filename="1.jpg" size="7"/>)") +
                  kKeys + "</customer></auto_update>");

    RecordingObserver observer;
    const auto [count, outcome] = run(observer);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(outcome, InstallOutcome::Done);
    EXPECT_TRUE(observer.received.empty());
    EXPECT_TRUE(observer.copied.empty());
    EXPECT_EQ(downloadInfo("UploadURL"), "https://lab.example/upload");
    EXPECT_EQ(storedRegistryVersion(), 4);
}

TEST_F(InstallUpdatesTest, AFailedDownloadLeavesTheInstallationUntouched) {
    install("1.jpg", "old");
    serve("1.jpg", "new picture");  // libgone.so is not on the lab
    startLab();
    writeManifest(std::string(R"(<auto_update>
  <app download_url="$FILES"><app_dll><dll filename="libgone.so" version_num="1.0.0.0"/></app_dll></app>
  <customer download_url="$FILES"><image filename="1.jpg" size="11"/>)") +
                  kKeys + "</customer></auto_update>");

    RecordingObserver observer;
    const auto [count, outcome] = run(observer);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(outcome, InstallOutcome::Failed);
    // The second file still came, but nothing was copied or written.
    EXPECT_EQ(observer.stepsDone, 1);
    EXPECT_EQ(observer.received, (std::vector<std::string>{"libgone.so", "1.jpg"}));
    EXPECT_TRUE(observer.copied.empty());
    EXPECT_EQ(installed("1.jpg"), "old");
    EXPECT_FALSE(fs::exists(installDir() / "libgone.so"));
    EXPECT_EQ(downloadInfo("UploadURL"), "");
    EXPECT_EQ(storedRegistryVersion(), 3);
    ASSERT_EQ(observer.failures.size(), 1u);
    EXPECT_EQ(observer.failures[0], "libgone.so: Downloading error. HTTP status code: 404");
}

TEST_F(InstallUpdatesTest, NamesOutsideTheFolderAndMissingFoldersFailOnlyTheirOwnFile) {
    const fs::path outside = sandbox_.path() / "outside";
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, installDir() / "away");
    serve("1.jpg", "new picture");
    serve("sub/2.jpg", "picture for a folder that is not installed");
    serve("away/3.jpg", "a picture the lab has in a real folder");
    startLab();
    writeManifest(std::string(R"(<auto_update><customer download_url="$FILES">
    <image filename="../outside/up.jpg" size="1"/>
    <image filename=")") +
                  (outside / "absolute.jpg").string() +
                  R"(" size="1"/>
    <image filename="away/3.jpg" size="1"/>
    <image filename="sub/2.jpg" size="1"/>
    <image filename="1.jpg" size="1"/>)" +
                  kKeys + "</customer></auto_update>");

    RecordingObserver observer;
    const auto [count, outcome] = run(observer);
    EXPECT_EQ(count, 6);
    EXPECT_EQ(outcome, InstallOutcome::Failed);
    // Refused names are not even fetched; the rest are installed where they can be.
    EXPECT_EQ(observer.received, (std::vector<std::string>{"sub/2.jpg", "1.jpg"}));
    EXPECT_EQ(installed("1.jpg"), "new picture");
    EXPECT_EQ(FilesBelow(outside), std::vector<std::string>{});
    EXPECT_EQ(FilesBelow(installDir()), (std::vector<std::string>{"1.jpg", "away"}));
    EXPECT_FALSE(fs::exists(sandbox_.path() / "up.jpg"));
    // The settings are written even so.
    EXPECT_EQ(storedRegistryVersion(), 4);
    EXPECT_EQ(observer.failures.size(), 4u);
}

TEST_F(InstallUpdatesTest, AFileOrFolderWithoutWritePermissionFailsOnlyItsOwnFile) {
    install("1.jpg", "old one");
    install("locked/2.jpg", "old two");
    install("3.jpg", "old three");
    serve("1.jpg", "the new one");
    serve("locked/2.jpg", "the new two");
    serve("3.jpg", "the new three");
    startLab();
    writeManifest(std::string(R"(<auto_update><customer download_url="$FILES">
    <image filename="1.jpg" size="11"/><image filename="locked/2.jpg" size="11"/>
    <image filename="3.jpg" size="13"/>)") +
                  kKeys + "</customer></auto_update>");
    updatertest::GiveToUnprivileged(sandbox_.path());
    chmod(sandbox_.path().c_str(), 0755);
    chmod((installDir() / "1.jpg").c_str(), 0444);
    chmod((installDir() / "locked").c_str(), 0555);

    const fs::path out = sandbox_.path() / "runner.out";
    const int status =
        updatertest::RunUnprivileged(ORLAVO_INSTALL_RUNNER,
                                     {installDir().string() + "/", manifestUrl(), registryRoot(),
                                      registryPath(), tempRoot().string()},
                                     out);
    const std::string said = test::ReadFile(out);
    EXPECT_EQ(status, 1) << said;
    EXPECT_NE(said.find("failed 1.jpg: "), std::string::npos) << said;
    EXPECT_NE(said.find("failed locked/2.jpg: "), std::string::npos) << said;
    EXPECT_EQ(installed("1.jpg"), "old one");
    EXPECT_EQ(installed("locked/2.jpg"), "old two");
    EXPECT_EQ(installed("3.jpg"), "the new three");
    EXPECT_EQ(storedRegistryVersion(), 4);
    EXPECT_EQ(FilesBelow(installDir()),
              (std::vector<std::string>{"1.jpg", "3.jpg", "locked", "locked/2.jpg"}));
    chmod((installDir() / "locked").c_str(), 0755);
}

// An installation shared by all users may not be written by one of them:
// its files come from the package manager, while the settings, which are
// the user's own, are still written. The check runs as "nobody".
TEST_F(InstallUpdatesTest, ASharedInstallationLeavesItsFilesToThePackageManager) {
    install("1.jpg", "old one");
    serve("1.jpg", "the new one");
    startLab();
    struct Case {
        const char* what;
        bool shared;
        bool settingsDue;
        const char* said;
        int status;
        const char* picture;
        std::int32_t registryVersion;
    } cases[] = {
        {"shared, settings due", true, true, "check managed 1\ninstall done\n", 0, "old one", 4},
        {"shared, settings current", true, false, "check managed 0\n", 2, "old one", 4},
        {"the user's own", false, false, "check offered 1\n", 0, "the new one", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        registry().setNumber(section::kSettings, "RegistryVersion", c.settingsDue ? 3 : 4);
        writeManifest(std::string(R"(<auto_update><customer download_url="$FILES">
    <image filename="1.jpg" size="11"/>)") +
                      kKeys + "</customer></auto_update>");
        updatertest::GiveToUnprivileged(sandbox_.path());
        chmod(sandbox_.path().c_str(), 0755);
        chmod(installDir().c_str(), c.shared ? 0555 : 0755);

        const fs::path out = sandbox_.path() / "runner.out";
        const int status =
            updatertest::RunUnprivileged(ORLAVO_INSTALL_RUNNER,
                                         {installDir().string() + "/", manifestUrl(),
                                          registryRoot(), registryPath(), tempRoot().string()},
                                         out);
        const std::string said = test::ReadFile(out);
        EXPECT_EQ(status, c.status) << said;
        EXPECT_EQ(said.substr(0, std::string(c.said).size()), c.said) << said;
        EXPECT_EQ(installed("1.jpg"), c.picture);
        EXPECT_EQ(storedRegistryVersion(), c.registryVersion);
        EXPECT_EQ(downloadInfo("UploadURL"), "https://lab.example/upload");
        chmod(installDir().c_str(), 0755);
    }
}

TEST_F(InstallUpdatesTest, CancelDuringADownloadInstallsNothing) {
    install("1.jpg", "old");
    serve("1.jpg", "new picture");
    // Every answer waits, so the download is surely under way when Cancel comes.
    startLab({"--delay-ms", "700"});
    writeManifest(std::string(R"(<auto_update><customer download_url="$FILES">
    <image filename="1.jpg" size="11"/>)") +
                  kKeys + "</customer></auto_update>");

    UpdateSession session(settings());
    RecordingObserver observer;
    ASSERT_EQ(session.check(observer).outcome, CheckOutcome::Offered);
    observer.onReceiving = [&session](const std::string&) { session.cancel(); };
    auto installing = std::async(std::launch::async, [&] { return session.install(observer); });
    EXPECT_EQ(installing.get(), InstallOutcome::Cancelled);
    EXPECT_EQ(observer.received, std::vector<std::string>{"1.jpg"});
    EXPECT_TRUE(observer.copied.empty());
    EXPECT_EQ(installed("1.jpg"), "old");
    EXPECT_EQ(storedRegistryVersion(), 3);
}

TEST_F(InstallUpdatesTest, AnInstallationFolderThatIsNoFolderFailsBeforeAnyDownload) {
    serve("1.jpg", "new picture");
    startLab();
    writeManifest(R"(<auto_update><customer download_url="$FILES">
    <image filename="1.jpg" size="11"/></customer></auto_update>)");
    const fs::path notAFolder = sandbox_.path() / "not-a-folder";
    updatertest::WriteBytes(notAFolder, "a file");

    UpdateSettings s = settings();
    s.installFolder = notAFolder.string() + "/";
    UpdateSession session(s);
    RecordingObserver observer;
    ASSERT_EQ(session.check(observer).outcome, CheckOutcome::Offered);
    EXPECT_EQ(session.install(observer), InstallOutcome::Failed);
    EXPECT_EQ(observer.steps, -1);  // the installation never began
    EXPECT_TRUE(observer.received.empty());
    EXPECT_EQ(test::ReadFile(notAFolder), "a file");
}

}  // namespace
}  // namespace orlavo::updater
