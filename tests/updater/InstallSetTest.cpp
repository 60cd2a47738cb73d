#include "updater/InstallSet.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/ProgramRun.h"
#include "tests/support/TempDir.h"
#include "tests/updater/UpdaterTestSupport.h"

namespace orlavo::updater {
namespace {

namespace fs = std::filesystem;
using updatertest::FilesBelow;

unsigned ModeOf(const fs::path& p) {
    struct stat st {};
    stat(p.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(InstallSet, PutsTheNewFilesInPlaceKeepingTheirPermissions) {
    test::TempDir dir;
    const fs::path program = dir.write("OrlavoW", "old program");
    chmod(program.c_str(), 0750);

    InstallSet set;
    ASSERT_EQ(set.add(program, 0644), "");
    ASSERT_EQ(set.add(dir.path() / "libnew.so", 0755), "");
    ASSERT_EQ(set.add(dir.path() / "1.jpg"), "");
    // The new bytes wait beside the files they replace, hidden.
    EXPECT_EQ(fs::path(set.stagedPath(0)).parent_path(), dir.path());
    EXPECT_TRUE(fs::path(set.stagedPath(0)).filename().string().starts_with(".OrlavoW.halvane-"));
    updatertest::WriteBytes(set.stagedPath(0), "new program");
    updatertest::WriteBytes(set.stagedPath(1), "library");
    EXPECT_EQ(test::ReadFile(program), "old program");

    ASSERT_TRUE(set.seal());
    std::vector<std::size_t> order;
    const InstallSet::Result r = set.commit(nullptr, [&](std::size_t i) { order.push_back(i); });
    EXPECT_EQ(r.outcome, InstallSet::Outcome::Done);
    EXPECT_EQ(r.inPlace, 3u);
    EXPECT_EQ(order, (std::vector<std::size_t>{0, 1, 2}));
    set.finish();

    EXPECT_EQ(test::ReadFile(program), "new program");
    EXPECT_EQ(ModeOf(program), 0750u);  // still executable
    EXPECT_EQ(ModeOf(dir.path() / "libnew.so"), 0755u);
    EXPECT_EQ(ModeOf(dir.path() / "1.jpg"), 0644u);
    EXPECT_EQ(fs::file_size(dir.path() / "1.jpg"), 0u);
    EXPECT_EQ(FilesBelow(dir.path()), (std::vector<std::string>{"1.jpg", "OrlavoW", "libnew.so"}));
}

// A set that stops half-way, however it stops, leaves every file as it was
// and nothing of its own behind.
TEST(InstallSet, AnInstallationThatStopsHalfWayIsTakenBackWhole) {
    enum class How { RenameFails, Cancelled, TakenBackAfterwards };
    const struct {
        const char* what;
        How how;
        InstallSet::Outcome outcome;
    } cases[] = {
        {"the third rename fails", How::RenameFails, InstallSet::Outcome::Failed},
        {"cancelled between the second and the third", How::Cancelled,
         InstallSet::Outcome::Cancelled},
        {"taken back once all are in place", How::TakenBackAfterwards, InstallSet::Outcome::Done},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        fs::create_directory(dir.path() / "images");
        dir.write("a.jpg", "old a");
        dir.write("images/b.jpg", "old b");
        {
            InstallSet set;
            for (const char* name : {"a.jpg", "images/b.jpg", "c.jpg"}) {
                ASSERT_EQ(set.add(dir.path() / name), "");
                updatertest::WriteBytes(set.stagedPath(set.size() - 1), "new");
            }
            ASSERT_TRUE(set.seal());
            if (c.how == How::RenameFails)
                fs::remove(set.stagedPath(2));
            std::atomic<bool> cancel{false};
            const InstallSet::Result r = set.commit(&cancel, [&](std::size_t i) {
                if (i == 1 && c.how == How::Cancelled)
                    cancel = true;
            });
            EXPECT_EQ(r.outcome, c.outcome);
            if (c.how == How::RenameFails) {
                EXPECT_EQ(r.failedAt, 2u);
            }
            if (c.how == How::TakenBackAfterwards) {
                EXPECT_EQ(test::ReadFile(dir.path() / "images/b.jpg"), "new");
                EXPECT_EQ(set.rollBack(), 0u);
            } else {
                EXPECT_EQ(r.inPlace, 0u);
            }
        }
        EXPECT_EQ(test::ReadFile(dir.path() / "a.jpg"), "old a");
        EXPECT_EQ(test::ReadFile(dir.path() / "images/b.jpg"), "old b");
        EXPECT_EQ(FilesBelow(dir.path()),
                  (std::vector<std::string>{"a.jpg", "images", "images/b.jpg"}));
    }
}

TEST(InstallSet, RefusesWhatCannotBeReplacedWithoutTouchingIt) {
    test::TempDir dir;
    fs::create_directory(dir.path() / "folder");
    const auto before = FilesBelow(dir.path());

    InstallSet set;
    EXPECT_EQ(set.add(dir.path() / "missing" / "1.jpg"), "its folder is missing");
    EXPECT_EQ(set.add(dir.path() / "folder"), "it is no regular file");
    EXPECT_EQ(set.size(), 0u);
    EXPECT_EQ(FilesBelow(dir.path()), before);  // no folder made, no file left
}

// Permissions bind every user but root: the check runs as "nobody" then.
TEST(InstallSet, RefusesAFileOrFolderThatMayNotBeWritten) {
    test::TempDir dir;
    const fs::path shared = dir.path() / "shared";
    fs::create_directories(shared / "locked");
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
        InstallSet set;
        const bool readonly = set.add(shared / "readonly.jpg").empty();
        const bool locked = set.add(shared / "locked" / "2.jpg").empty();
        const bool fresh = set.add(shared / "locked" / "3.jpg").empty();
        _exit((readonly ? 1 : 0) | (locked ? 2 : 0) | (fresh ? 4 : 0));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "1: read-only file taken, 2 and 4: a file taken in a locked folder";
    EXPECT_EQ(FilesBelow(shared),
              (std::vector<std::string>{"locked", "locked/2.jpg", "readonly.jpg"}));
    chmod((shared / "locked").c_str(), 0755);
}

TEST(InstallSet, RemovesWhatAKilledRunLeftBehind) {
    test::TempDir dir;
    const fs::path target = dir.write("OrlavoW", "old");
    fs::create_directory(dir.path() / "images");
    dir.write(ReplacementPrefix(target) + "a1B2c3", "half a progr");
    dir.write(ReplacementPrefix(target) + "keep", "not one of ours");
    dir.write(".1.jpg.halvane-a1B2c3", "another file's, left for its own run");
    dir.write("images/.2.jpg.halvane-Zz9Zz9", "half a picture");

    RemoveReplacementLeftovers({target, dir.path() / "images" / "2.jpg"});
    EXPECT_EQ(FilesBelow(dir.path()),
              (std::vector<std::string>{".1.jpg.halvane-a1B2c3", ".OrlavoW.halvane-keep", "OrlavoW",
                                        "images"}));
}

}  // namespace
}  // namespace orlavo::updater
