#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "tests/support/TempDir.h"
#include "tests/updater/UpdaterTestSupport.h"
#include "updater/RunFolder.h"

namespace orlavo::updater {
namespace {

namespace fs = std::filesystem;
using updatertest::FilesBelow;

// A process id that no process has now.
pid_t EndedProcess() {
    for (pid_t pid = 4000000; pid > 1000; pid -= 7919) {
        if (kill(pid, 0) != 0 && errno == ESRCH)
            return pid;
    }
    return 0;
}

TEST(RunFolder, GoesWithEverythingInItAndClearsWhatKilledRunsLeft) {
    test::TempDir temp;
    const pid_t ended = EndedProcess();
    ASSERT_NE(ended, 0);
    const std::string abandoned = "halvane-" + std::to_string(ended) + "-x1y2z3";
    const std::string living = "halvane-" + std::to_string(getppid()) + "-a1b2c3";
    updatertest::WriteBytes(temp.path() / abandoned / "OLWabcdef", "half a download");
    updatertest::WriteBytes(temp.path() / living / "OLWabcdef", "another run's download");
    updatertest::WriteBytes(temp.path() / "halvane-notes" / "keep", "not a run's");
    {
        RunFolder run(temp.path());
        ASSERT_TRUE(run.ok());
        EXPECT_EQ(run.path().parent_path(), temp.path());
        const std::string manifest = run.makeFile("updt");
        const std::string file = run.makeFile("OLW");
        EXPECT_EQ(fs::path(manifest).filename().string().substr(0, 4), "updt");
        EXPECT_EQ(fs::path(file).filename().string().substr(0, 3), "OLW");
        EXPECT_NE(manifest, run.makeFile("updt"));
        EXPECT_TRUE(fs::is_regular_file(file));
        EXPECT_FALSE(fs::exists(temp.path() / abandoned));
    }
    EXPECT_EQ(FilesBelow(temp.path()),
              (std::vector<std::string>{living, living + "/OLWabcdef", "halvane-notes",
                                        "halvane-notes/keep"}));
}

}  // namespace
}  // namespace orlavo::updater
