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

    // Checks, then installs; gives the check's count and the installation's result.
    std::pair<int, InstallResult> run(RecordingObserver& observer) const {
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
    const auto [count, result] = run(observer);
    EXPECT_EQ(count, 3);  // two files and the settings
    EXPECT_EQ(result.outcome, InstallOutcome::Done);
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
    const auto [count, result] = run(observer);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(result.outcome, InstallOutcome::Done);
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
    const auto [count, result] = run(observer);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(result.outcome, InstallOutcome::Failed);
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

// One name that would write outside the installation, however it gets
// there, makes the whole manifest suspect: nothing of it is fetched, installed
// or written, not even the good files around it.
TEST_F(InstallUpdatesTest, ANameLeadingOutsideRefusesTheWholeUpdate) {
    const fs::path outside = sandbox_.path() / "outside";
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, installDir() / "away");
    install("1.jpg", "old");
    serve("1.jpg", "new one");
    serve("2.jpg", "new two");
    startLab();
    const std::vector<std::string> refused = {"../outside/up.jpg",
                                              (outside / "absolute.jpg").string(),
                                              "away/3.jpg",
                                              "images/../../x.jpg",
                                              "..\\..\\x.dll",
                                              "C:\\Windows\\x.dll",
                                              "sub/"};
    std::string images = R"(<image filename="1.jpg" size="7"/>)";
    for (const std::string& name : refused)
        images += "<image filename=\"" + name + "\" size=\"1\"/>";
    images += R"(<image filename="2.jpg" size="7"/>)";
    writeManifest(R"(<auto_update><customer download_url="$FILES">)" + images + kKeys +
                  "</customer></auto_update>");

    UpdateSession session(settings());
    RecordingObserver observer;
    const CheckResult check = session.check(observer);
    EXPECT_EQ(check.outcome, CheckOutcome::Refused);
    ASSERT_EQ(observer.failures.size(), refused.size());
    for (std::size_t i = 0; i < refused.size(); ++i)
        EXPECT_EQ(observer.failures[i],
                  refused[i] + ": refused: the name leads outside the installation folder");
    // Asked to install all the same, it refuses again before anything.
    EXPECT_EQ(session.install(observer).outcome, InstallOutcome::Refused);
    EXPECT_EQ(observer.steps, -1);
    EXPECT_TRUE(observer.received.empty());
    EXPECT_TRUE(observer.copied.empty());
    EXPECT_EQ(installed("1.jpg"), "old");
    EXPECT_EQ(FilesBelow(installDir()), (std::vector<std::string>{"1.jpg", "away"}));
    EXPECT_EQ(FilesBelow(outside), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(sandbox_.path() / "up.jpg"));
    EXPECT_EQ(storedRegistryVersion(), 3);
    EXPECT_EQ(downloadInfo("UploadURL"), "");
}

TEST_F(InstallUpdatesTest, AFileThatCannotBeReplacedIsFoundBeforeAnyDownload) {
    install("1.jpg", "old");
    serve("1.jpg", "new one");
    serve("sub/2.jpg", "picture for a folder that is not installed");
    startLab();
    writeManifest(std::string(R"(<auto_update><customer download_url="$FILES">
    <image filename="1.jpg" size="7"/><image filename="sub/2.jpg" size="43"/>)") +
                  kKeys + "</customer></auto_update>");

    RecordingObserver observer;
    const auto [count, result] = run(observer);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(result.outcome, InstallOutcome::Failed);
    EXPECT_EQ(result.filesInPlace, 0);
    EXPECT_TRUE(observer.received.empty());
    ASSERT_EQ(observer.failures.size(), 1u);
    EXPECT_EQ(observer.failures[0], "sub/2.jpg: cannot be replaced: its folder is missing");
    EXPECT_EQ(installed("1.jpg"), "old");
    EXPECT_EQ(FilesBelow(installDir()), std::vector<std::string>{"1.jpg"});
    EXPECT_EQ(storedRegistryVersion(), 3);
}

// The new bytes are written beside the files they replace, on the same file
// system as the renames that put them in place, and must have the length the
// manifest gives.
TEST_F(InstallUpdatesTest, DownloadsGoBesideTheirFilesAndMustHaveTheirSize) {
    install("1.jpg", "old");
    install("images/2.jpg", "old");
    serve("1.jpg", "new one");
    serve("images/2.jpg", "new two, longer than the manifest says");
    startLab();
    writeManifest(std::string(R"(<auto_update><customer download_url="$FILES">
    <image filename="1.jpg" size="7"/><image filename="images/2.jpg" size="7"/>)") +
                  kKeys + "</customer></auto_update>");

    RecordingObserver observer;
    std::vector<std::string> besideInstalled, inTemporaryFolder;
    observer.onReceiving = [&](const std::string&) {
        besideInstalled = FilesBelow(installDir());
        for (const std::string& f : FilesBelow(tempRoot())) {
            if (fs::is_regular_file(tempRoot() / f))
                inTemporaryFolder.push_back(f);
        }
    };
    const auto [count, result] = run(observer);
    EXPECT_EQ(result.outcome, InstallOutcome::Failed);
    ASSERT_EQ(besideInstalled.size(), 5u);
    EXPECT_TRUE(besideInstalled[0].starts_with(".1.jpg.halvane-")) << besideInstalled[0];
    EXPECT_TRUE(besideInstalled[3].starts_with("images/.2.jpg.halvane-")) << besideInstalled[3];
    EXPECT_EQ(inTemporaryFolder, std::vector<std::string>{});
    ASSERT_EQ(observer.failures.size(), 1u);
    EXPECT_EQ(observer.failures[0], "images/2.jpg: Refused " + filesUrl() +
                                        "images/2.jpg: its length is not the manifest's size");
    EXPECT_TRUE(observer.copied.empty());
    EXPECT_EQ(installed("1.jpg"), "old");
    EXPECT_EQ(FilesBelow(installDir()),
              (std::vector<std::string>{"1.jpg", "images", "images/2.jpg"}));
    EXPECT_EQ(storedRegistryVersion(), 3);
}

TEST_F(InstallUpdatesTest, AFileWithoutWritePermissionLeavesEverythingAsItWas) {
    install("1.jpg", "old one");
    install("locked/2.jpg", "old two");
    install("3.jpg", "old three");
    serve("1.jpg", "the new one");
    serve("locked/2.jpg", "the new two");
    serve("3.jpg", "the new three");
    startLab();
    writeManifest(std::string(R"(<auto_update><customer download_url="$FILES">
    <image filename="3.jpg" size="13"/><image filename="1.jpg" size="11"/>
    <image filename="locked/2.jpg" size="11"/>)") +
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
    EXPECT_NE(said.find("failed 1.jpg: cannot be replaced: it may not be written"),
              std::string::npos)
        << said;
    EXPECT_EQ(said.find("copy "), std::string::npos) << said;
    EXPECT_EQ(installed("1.jpg"), "old one");
    EXPECT_EQ(installed("locked/2.jpg"), "old two");
    EXPECT_EQ(installed("3.jpg"), "old three");
    EXPECT_EQ(storedRegistryVersion(), 3);
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
    EXPECT_EQ(installing.get().outcome, InstallOutcome::Cancelled);
    EXPECT_EQ(observer.received, std::vector<std::string>{"1.jpg"});
    EXPECT_TRUE(observer.copied.empty());
    EXPECT_EQ(installed("1.jpg"), "old");
    EXPECT_EQ(storedRegistryVersion(), 3);
}

// Cancel between two files stops the installation there, and the files
// already put in place are taken back: the installation is as it was.
TEST_F(InstallUpdatesTest, CancelWhileFilesArePutInPlaceTakesThemAllBack) {
    constexpr int kFiles = 200;
    std::string images;
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "p" + std::to_string(i) + ".jpg";
        install(name, "old");
        serve(name, "new!");
        images += "<image filename=\"" + name + "\" size=\"4\"/>";
    }
    startLab();
    writeManifest(R"(<auto_update><customer download_url="$FILES">)" + images + kKeys +
                  "</customer></auto_update>");

    UpdateSession session(settings());
    RecordingObserver observer;
    ASSERT_EQ(session.check(observer).count, kFiles + 1);
    observer.onCopying = [&](const std::string&) {
        if (observer.copied.size() == kFiles / 2)
            session.cancel();
    };
    const InstallResult result = session.install(observer);
    EXPECT_EQ(result.outcome, InstallOutcome::Cancelled);
    EXPECT_EQ(result.filesDue, kFiles);
    EXPECT_EQ(result.filesInPlace, 0);
    // It stopped at the next file, and took back the hundred before it.
    EXPECT_EQ(observer.copied.size(), std::size_t{kFiles / 2});
    int old = 0;
    for (int i = 0; i < kFiles; ++i)
        old += installed("p" + std::to_string(i) + ".jpg") == "old";
    EXPECT_EQ(old, kFiles);
    EXPECT_EQ(FilesBelow(installDir()).size(), std::size_t{kFiles});
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
    EXPECT_EQ(session.install(observer).outcome, InstallOutcome::Failed);
    EXPECT_EQ(observer.steps, -1);  // the installation never began
    EXPECT_TRUE(observer.received.empty());
    EXPECT_EQ(test::ReadFile(notAFolder), "a file");
}

}  // namespace
}  // namespace orlavo::updater
