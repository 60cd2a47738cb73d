// The installation, as a user or a packager gets it: cmake --install of the
// built tree into a temporary prefix, its layout, its programs started from
// there (the wizard offscreen until its start window loads the catalogue),
// the menu entry and the AppStream description through their validators,
// staging with DESTDIR, and a plain build with the default generator.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/RegistryRoot.h"
#include "common/SettingsTable.h"
#include "lab/DemoCatalogue.h"
#include "platform/FileVersion.h"
#include "platform/LanguageBundles.h"
#include "platform/RegistryStore.h"
#include "platform/ResourceBundle.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/RawHttpServer.h"
#include "tests/support/TempDir.h"
#include "tests/tools/man/PrintedPage.h"

namespace {

namespace fs = std::filesystem;
using orlavo::test::Environment;
using orlavo::test::ProgramResult;
using orlavo::test::RawHttpServer;
using orlavo::test::RawRequest;
using orlavo::test::RawResponse;
using orlavo::test::ReadFile;
using orlavo::test::TempDir;
using namespace std::chrono_literals;

const std::string kAppId = ORLAVO_APP_ID;
const fs::path kProgramDir = ORLAVO_INSTALL_PROGRAMDIR;
const std::vector<int> kIconSizes = {ORLAVO_ICON_SIZES};
const std::set<std::string> kPrograms = {"Halvane", "OrlavoW", "orlavo-lab", "orlavo-order",
                                         "orlavo-reg"};
const std::vector<std::string> kTools = {"orlavo-reg", "orlavo-order", "orlavo-lab"};

// Runs COMMAND (its first word looked up in PATH) to its end.
ProgramResult RunCommand(std::vector<std::string> command, const fs::path& folder,
                         const Environment& env = {}) {
    return orlavo::test::RunProgram("/usr/bin/env", std::move(command), env, folder);
}

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        names.insert(e.path().filename().string());
    return names;
}

std::string Gunzip(const fs::path& path) {
    std::string out;
    gzFile f = gzopen(path.c_str(), "rb");
    if (!f)
        return out;
    char buf[4096];
    int n = 0;
    while ((n = gzread(f, buf, sizeof buf)) > 0)
        out.append(buf, static_cast<std::size_t>(n));
    gzclose(f);
    return out;
}

// The width and height a PNG file declares, {0, 0} for anything else.
std::pair<int, int> PngSize(const fs::path& path) {
    const std::string bytes = ReadFile(path);
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        return {0, 0};
    auto be32 = [&bytes](std::size_t at) {
        return (static_cast<unsigned char>(bytes[at]) << 24) |
               (static_cast<unsigned char>(bytes[at + 1]) << 16) |
               (static_cast<unsigned char>(bytes[at + 2]) << 8) |
               static_cast<unsigned char>(bytes[at + 3]);
    };
    return {be32(16), be32(20)};
}

// The value of KEY in the main group of a desktop entry.
std::string EntryValue(const std::string& entry, const std::string& key) {
    const std::size_t at = entry.find("\n" + key + "=");
    if (at == std::string::npos)
        return {};
    const std::size_t start = at + key.size() + 2;
    return entry.substr(start, entry.find('\n', start) - start);
}

bool Executable(const fs::path& p) {
    return access(p.c_str(), X_OK) == 0 && fs::is_regular_file(p);
}

// The processes whose program is PROGRAM (the wizard that Halvane started
// is not our child).
std::vector<pid_t> ProcessesOf(const fs::path& program) {
    std::vector<pid_t> pids;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/proc", ec)) {
        const std::string name = e.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code linkError;
        if (fs::read_symlink(e.path() / "exe", linkError) == program)
            pids.push_back(static_cast<pid_t>(std::stoi(name)));
    }
    return pids;
}

// Waits up to TIMEOUT for the child PID to end; its exit code, -1 when it
// did not end (it is then killed) or did not end normally.
int WaitForChild(pid_t pid, std::chrono::milliseconds timeout) {
    int status = 0;
    for (auto waited = 0ms; waited < timeout; waited += 50ms) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(50ms);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

// Ends PID, which this test started (directly or through Halvane).
void End(pid_t pid, bool child) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (child ? waitpid(pid, nullptr, WNOHANG) == pid : kill(pid, 0) != 0)
            return;
        std::this_thread::sleep_for(50ms);
    }
    kill(pid, SIGKILL);
    if (child)
        waitpid(pid, nullptr, 0);
}

// Records which files of the watched folders are opened.
class OpenedFiles {
public:
    OpenedFiles() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~OpenedFiles() { close(fd_); }
    void watch(const fs::path& folder, const std::string& as) {
        watches_[inotify_add_watch(fd_, folder.c_str(), IN_OPEN)] = as;
    }
    std::set<std::string> names() {
        alignas(inotify_event) char buf[8192];
        ssize_t n = 0;
        while ((n = read(fd_, buf, sizeof buf)) > 0) {
            for (char* p = buf; p < buf + n;) {
                auto* e = reinterpret_cast<inotify_event*>(p);
                if (e->len > 0)
                    names_.insert(watches_[e->wd] + e->name);
                p += sizeof(inotify_event) + e->len;
            }
        }
        return names_;
    }

private:
    int fd_;
    std::map<int, std::string> watches_;
    std::set<std::string> names_;
};

class InstallTest : public ::testing::Test {
protected:
    // Installs the built tree into PREFIX (staged under DESTDIR when given).
    ProgramResult install(const fs::path& prefix, const std::string& destdir = {}) {
        Environment env;
        if (!destdir.empty())
            env.push_back({"DESTDIR", destdir});
        return orlavo::test::RunProgram(
            ORLAVO_CMAKE_COMMAND, {"--install", ORLAVO_BUILD_DIR, "--prefix", prefix.string()}, env,
            dir_.path());
    }
    void installPrefix() {
        const ProgramResult r = install(prefix());
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    }

    fs::path prefix() const { return dir_.path() / "prefix"; }
    fs::path programFolder() const { return prefix() / kProgramDir; }
    fs::path share() const { return prefix() / "share"; }
    fs::path desktopEntry() const { return share() / "applications" / (kAppId + ".desktop"); }

    // A user's surroundings in the sandbox: home, settings store, no proxy,
    // the offscreen platform, German as the language.
    Environment userEnvironment() const {
        return {{"HOME", (dir_.path() / "home").string()},
                {"XDG_CONFIG_HOME", (dir_.path() / "home" / ".config").string()},
                {"XDG_STATE_HOME", (dir_.path() / "home" / ".state").string()},
                {"ORLAVO_REGISTRY", registryPath()},
                {"QT_QPA_PLATFORM", "offscreen"},
                {"LANGUAGE", "de"},
                {"no_proxy", "127.0.0.1"},
                {"NO_PROXY", "127.0.0.1"}};
    }
    std::string registryPath() const { return (dir_.path() / "registry.sqlite3").string(); }

    TempDir dir_{"orlavo-install"};
};

TEST_F(InstallTest, TheInstallationHoldsEveryPartInItsPlace) {
    installPrefix();
    EXPECT_EQ(Names(prefix() / "bin"), kPrograms);
    for (const char* gui : {"OrlavoW", "Halvane"}) {
        const fs::path link = prefix() / "bin" / gui;
        EXPECT_TRUE(fs::is_symlink(link)) << gui;
        EXPECT_EQ(fs::read_symlink(link).is_relative(), true) << gui;
        EXPECT_EQ(fs::canonical(link), fs::canonical(programFolder() / gui));
        EXPECT_TRUE(Executable(programFolder() / gui)) << gui;
    }
    for (const std::string& tool : kTools)
        EXPECT_TRUE(Executable(prefix() / "bin" / tool)) << tool;

    // Pictures and bundles where the programs look for them.
    EXPECT_EQ(Names(programFolder()), (std::set<std::string>{"1.jpg", "2.jpg", "3.jpg", "Halvane",
                                                             "OrlavoW", "translations"}));
    for (const char* picture : {"1.jpg", "2.jpg", "3.jpg"})
        EXPECT_EQ(ReadFile(programFolder() / picture).substr(0, 3), "\xFF\xD8\xFF") << picture;
    const auto version = orlavo::ReadFileVersion((programFolder() / "OrlavoW").string());
    ASSERT_TRUE(version);
    const std::string folder = programFolder().string() + "/";
    for (const char* bundle : {"Resources.rcc", "HV_Res.rcc"}) {
        const auto paths = orlavo::LanguageBundleCandidates(folder, bundle, {"de-DE"});
        ASSERT_FALSE(paths.empty());
        auto opened = orlavo::ResourceBundle::Open(paths.back());
        ASSERT_TRUE(opened) << paths.back();
        EXPECT_EQ(opened->fileVersion(), version) << bundle;
    }

    // What the desktop and man read.
    EXPECT_TRUE(fs::is_regular_file(desktopEntry()));
    EXPECT_TRUE(fs::is_regular_file(share() / "metainfo" / (kAppId + ".metainfo.xml")));
    for (int size : kIconSizes) {
        const std::string s = std::to_string(size);
        EXPECT_EQ(PngSize(share() / "icons/hicolor" / (s + "x" + s) / "apps" / (kAppId + ".png")),
                  std::make_pair(size, size));
    }
    EXPECT_NE(ReadFile(share() / "icons/hicolor/scalable/apps" / (kAppId + ".svg")).find("<svg"),
              std::string::npos);
    std::set<std::string> pages;
    for (const std::string& p : kPrograms)
        pages.insert(p + ".1.gz");
    EXPECT_EQ(Names(share() / "man/man1"), pages);
    EXPECT_NE(ReadFile(share() / "doc/orlavo/copyright").find("Copyright: "), std::string::npos);
    EXPECT_NE(Gunzip(share() / "doc/orlavo/changelog.gz").find("orlavo (" + *version), 0u);
}

TEST_F(InstallTest, TheMenuEntryAndTheDescriptionPassTheirValidators) {
    installPrefix();
    const ProgramResult entry =
        RunCommand({"desktop-file-validate", desktopEntry().string()}, dir_.path());
    EXPECT_EQ(entry.exitCode, 0) << entry.out << entry.err;
    EXPECT_EQ(entry.out + entry.err, "") << "warnings";
    const std::string text = ReadFile(desktopEntry());
    const fs::path halvane = prefix() / "bin" / "Halvane";
    // The files chosen in the file manager are passed on; photos may be opened with it.
    EXPECT_EQ(EntryValue(text, "Exec"), halvane.string() + " %F");
    EXPECT_EQ(EntryValue(text, "TryExec"), halvane.string());
    EXPECT_EQ(EntryValue(text, "MimeType").rfind("image/jpeg;", 0), 0u);
    EXPECT_EQ(EntryValue(text, "Icon"), kAppId);

    const fs::path metainfo = share() / "metainfo" / (kAppId + ".metainfo.xml");
    const ProgramResult description = RunCommand(
        {"appstreamcli", "validate", "--no-net", "--no-color", metainfo.string()}, dir_.path());
    EXPECT_EQ(description.exitCode, 0) << description.out << description.err;
    EXPECT_NE(ReadFile(metainfo).find("<launchable type=\"desktop-id\">" + kAppId + ".desktop<"),
              std::string::npos);
}

TEST_F(InstallTest, ToolsRunFromThePrefixAndTheirManualPagesSayWhatTheirHelpSays) {
    installPrefix();
    for (const std::string& tool : kTools) {
        SCOPED_TRACE(tool);
        const ProgramResult help = orlavo::test::RunProgram((prefix() / "bin" / tool).string(),
                                                            {"--help"}, {}, dir_.path());
        EXPECT_EQ(help.exitCode, 0) << help.err;
        EXPECT_EQ(help.out.rfind("Usage: " + tool + " ", 0), 0u) << help.out;
        const std::string printed =
            orlavo::test::PrintedManPage(Gunzip(share() / "man/man1" / (tool + ".1.gz")));
        EXPECT_EQ(orlavo::test::FirstWordNotPrinted(help.out, printed), "") << printed;
    }
}

// Serves the lab's demo catalogue and an update manifest with nothing to do.
RawResponse Lab(const RawRequest& r) {
    if (r.target == "/catalogue.xml")
        return RawResponse::Http(200, "OK", orlavo::lab::DemoCatalogueText(),
                                 "Content-Type: text/xml\r\n");
    if (r.target == "/auto_update.xml")
        return RawResponse::Http(200, "OK", "<auto_update/>", "Content-Type: text/xml\r\n");
    return RawResponse::Http(404, "Not Found", "");
}

TEST_F(InstallTest, TheWizardStartsThroughItsLinkWithThePicturesAndLanguageOfItsInstallation) {
    installPrefix();
    RawHttpServer lab(Lab);
    orlavo::RegistryStore settings(orlavo::RegistryRoot("", "OrlavoW"), registryPath());
    ASSERT_TRUE(
        settings.setText(orlavo::section::kDownloadInfo, "DownloadURL", lab.url("/catalogue.xml")));
    ASSERT_TRUE(settings.setText(orlavo::section::kDownloadInfo, "UploadURL", lab.url("/upload")));
    OpenedFiles opened;
    opened.watch(programFolder(), "");
    opened.watch(programFolder() / "translations/de", "translations/de/");

    const pid_t wizard =
        orlavo::test::StartProgram((prefix() / "bin" / "OrlavoW").string(), {}, userEnvironment(),
                                   dir_.path() / "wizard.out", dir_.path() / "wizard.err");
    // The start window loads the catalogue once it is on the screen.
    const bool loaded = lab.waitForRequests(1);
    std::this_thread::sleep_for(300ms);
    const bool running = waitpid(wizard, nullptr, WNOHANG) == 0;
    End(wizard, true);
    ASSERT_TRUE(loaded) << ReadFile(dir_.path() / "wizard.err");
    EXPECT_EQ(lab.requests()[0].target, "/catalogue.xml");
    EXPECT_TRUE(running) << ReadFile(dir_.path() / "wizard.err");
    const std::set<std::string> files = opened.names();
    for (const char* f : {"1.jpg", "2.jpg", "3.jpg", "translations/de/Resources.rcc"})
        EXPECT_EQ(files.count(f), 1u) << f;
}

TEST_F(InstallTest, TheMenuEntryStartsHalvaneWhichStartsTheInstalledWizard) {
    installPrefix();
    RawHttpServer lab(Lab);
    orlavo::RegistryStore settings(orlavo::RegistryRoot("", "OrlavoW"), registryPath());
    settings.setText(orlavo::section::kDownloadInfo, "DownloadURL", lab.url("/catalogue.xml"));
    settings.setText(orlavo::section::kDownloadInfo, "UploadURL", lab.url("/upload"));
    // A per-user installation that the updater keeps: this prefix.
    settings.setText(orlavo::section::kSettings, "LocalPath", programFolder().string() + "/");
    settings.setText(orlavo::section::kSettings, "UpdateURL", lab.url("/auto_update.xml"));
    OpenedFiles opened;
    opened.watch(programFolder() / "translations/de", "translations/de/");

    // As the menu starts it: without files, the field code stands for nothing.
    std::string command = EntryValue(ReadFile(desktopEntry()), "Exec");
    ASSERT_EQ(command.substr(command.size() - 3), " %F");
    command.resize(command.size() - 3);
    const fs::path err = dir_.path() / "halvane.err";
    const pid_t halvane = orlavo::test::StartProgram(command, {}, userEnvironment(),
                                                     dir_.path() / "halvane.out", err);
    // Halvane ends once it has started the wizard.
    const int halvaneExit = WaitForChild(halvane, 30s);
    const bool loaded = lab.waitForRequests(2);
    const fs::path wizardProgram = fs::canonical(programFolder() / "OrlavoW");
    std::vector<pid_t> wizards = ProcessesOf(wizardProgram);
    std::string wizardFolder;
    for (pid_t pid : wizards) {
        std::error_code ec;
        wizardFolder = fs::read_symlink("/proc/" + std::to_string(pid) + "/cwd", ec).string();
        End(pid, false);
    }
    EXPECT_EQ(halvaneExit, 0) << ReadFile(err);
    ASSERT_TRUE(loaded) << ReadFile(err);
    EXPECT_EQ(lab.requests()[0].target, "/auto_update.xml");
    EXPECT_EQ(lab.requests()[1].target, "/catalogue.xml");
    ASSERT_EQ(wizards.size(), 1u);
    EXPECT_EQ(fs::path(wizardFolder), fs::canonical(programFolder()));
    EXPECT_EQ(opened.names().count("translations/de/HV_Res.rcc"), 1u);
}

TEST_F(InstallTest, StagingWithDestdirWritesThePathsOfTheFinalPlace) {
    const std::string stage = (dir_.path() / "stage").string();
    const fs::path finalPrefix = "/opt/orlavo-staging-test-" + std::to_string(getpid());
    const ProgramResult r = install(finalPrefix, stage);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const fs::path staged = fs::path(stage) / finalPrefix.relative_path();
    EXPECT_FALSE(fs::exists(finalPrefix));
    EXPECT_EQ(Names(staged / "bin"), kPrograms);
    EXPECT_EQ(fs::canonical(staged / "bin" / "OrlavoW"),
              fs::canonical(staged / kProgramDir / "OrlavoW"));
    const std::string entry = ReadFile(staged / "share" / "applications" / (kAppId + ".desktop"));
    EXPECT_EQ(EntryValue(entry, "Exec"), (finalPrefix / "bin" / "Halvane").string() + " %F");
}

// The default generator (Unix Makefiles) makes no output folder by itself:
// every target that writes files must make its folder, from a fresh tree.
TEST_F(InstallTest, APlainBuildMakesTheFoldersOfWhatItGenerates) {
    const fs::path tree = dir_.path() / "plain";
    const ProgramResult configured =
        orlavo::test::RunProgram(ORLAVO_CMAKE_COMMAND,
                                 {"-S", ORLAVO_SOURCE_DIR, "-B", tree.string(), "-G",
                                  "Unix Makefiles", "-DORLAVO_BUILD_BENCH=OFF"},
                                 {}, dir_.path());
    ASSERT_EQ(configured.exitCode, 0) << configured.out << configured.err;
    std::vector<std::string> build = {"--build", tree.string(), "-j2", "--target"};
    std::istringstream targets(ReadFile(tree / "generated-targets.txt"));
    for (std::string t; std::getline(targets, t);)
        if (!t.empty())
            build.push_back(t);
    ASSERT_NE(std::find(build.begin(), build.end(), "bundle-de"), build.end());
    const ProgramResult built =
        orlavo::test::RunProgram(ORLAVO_CMAKE_COMMAND, build, {}, dir_.path());
    EXPECT_EQ(built.exitCode, 0) << built.out << built.err;
    EXPECT_TRUE(fs::is_regular_file(tree / "bundles/de/Resources.rcc"));
    EXPECT_TRUE(fs::is_regular_file(tree / "bundles/de/HV_Res.rcc"));
}

}  // namespace
