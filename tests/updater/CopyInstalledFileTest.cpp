#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/ProgramRun.h"
#include "tests/support/TempDir.h"
#include "tests/updater/UpdaterTestSupport.h"
#include "updater/CopyInstalledFile.h"

namespace orlavo::updater {
namespace {

namespace fs = std::filesystem;
using updatertest::FilesBelow;

unsigned ModeOf(const fs::path& p) {
    struct stat st {};
    stat(p.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(CopyInstalledFile, ReplacesTheFileKeepingItsPermissions) {
    test::TempDir dir;
    const std::string source = dir.write("download", "new program");
    const fs::path target = dir.write("OrlavoW", "old program");
    chmod(target.c_str(), 0750);

    ASSERT_TRUE(CopyInstalledFile(source, target, 0644));
    EXPECT_EQ(test::ReadFile(target), "new program");
    EXPECT_EQ(ModeOf(target), 0750u);  // still executable
    EXPECT_EQ(test::ReadFile(source), "new program");
    EXPECT_EQ(FilesBelow(dir.path()), (std::vector<std::string>{"OrlavoW", "download"}));

    // A new file takes the mode it is given.
    ASSERT_TRUE(CopyInstalledFile(source, dir.path() / "libnew.so", 0755));
    EXPECT_EQ(ModeOf(dir.path() / "libnew.so"), 0755u);
    ASSERT_TRUE(CopyInstalledFile(dir.write("empty", ""), dir.path() / "1.jpg", 0644));
    EXPECT_EQ(ModeOf(dir.path() / "1.jpg"), 0644u);
    EXPECT_EQ(fs::file_size(dir.path() / "1.jpg"), 0u);
}

TEST(CopyInstalledFile, FailsWithoutTouchingWhatCannotBeReplaced) {
    test::TempDir dir;
    const std::string source = dir.write("download", "new");
    fs::create_directory(dir.path() / "folder");
    const auto before = FilesBelow(dir.path());

    EXPECT_FALSE(CopyInstalledFile(source, dir.path() / "missing" / "1.jpg"));
    EXPECT_FALSE(CopyInstalledFile(source, dir.path() / "folder"));
    EXPECT_FALSE(CopyInstalledFile(dir.file("no-such-download"), dir.path() / "1.jpg"));
    EXPECT_EQ(FilesBelow(dir.path()), before);  // no folder made, no temporary file left
}

// Permissions bind every user but root: the check runs as "nobody" then.
TEST(CopyInstalledFile, RefusesAFileOrFolderThatMayNotBeWritten) {
    test::TempDir dir;
    const fs::path shared = dir.path() / "shared";
    fs::create_directories(shared / "locked");
    const std::string source = (shared / "download").string();
    updatertest::WriteBytes(source, "new");
    updatertest::WriteBytes(shared / "readonly.jpg", "old");
    updatertest::WriteBytes(shared / "locked" / "2.jpg", "old");
    updatertest::GiveToUnprivileged(dir.path());
    chmod(dir.path().c_str(), 0755);
    chmod((shared / "readonly.jpg").c_str(), 0444);
    chmod((shared / "locked").c_str(), 0555);

    pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(90);
        const bool readonly = CopyInstalledFile(source, shared / "readonly.jpg");
        const bool locked = CopyInstalledFile(source, shared / "locked" / "2.jpg");
        _exit((readonly ? 1 : 0) | (locked ? 2 : 0));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: read-only file replaced, 2: locked folder written";
    EXPECT_EQ(test::ReadFile(shared / "readonly.jpg"), "old");
    EXPECT_EQ(test::ReadFile(shared / "locked" / "2.jpg"), "old");
    EXPECT_EQ(FilesBelow(shared),
              (std::vector<std::string>{"download", "locked", "locked/2.jpg", "readonly.jpg"}));
    chmod((shared / "locked").c_str(), 0755);
}

TEST(CopyInstalledFile, RemovesWhatAKilledReplacementLeftBehind) {
    test::TempDir dir;
    const fs::path target = dir.write("OrlavoW", "old");
    dir.write(ReplacementPrefix(target) + "a1B2c3", "half a progr");
    dir.write(ReplacementPrefix(target) + "keep", "not one of ours");
    dir.write(".1.jpg.halvane-a1B2c3", "another file's, left for its own copy");

    ASSERT_TRUE(CopyInstalledFile(dir.write("download", "new"), target));
    EXPECT_EQ(FilesBelow(dir.path()),
              (std::vector<std::string>{".1.jpg.halvane-a1B2c3", ".OrlavoW.halvane-keep", "OrlavoW",
                                        "download"}));
}

}  // namespace
}  // namespace orlavo::updater
