// The updater killed while it puts a program in place: the installed program
// still runs, and the next run completes the update and clears what was left.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "tests/updater/UpdaterTestSupport.h"

namespace orlavo::updater {
namespace {

namespace fs = std::filesystem;
using updatertest::FilesBelow;
using updatertest::UpdaterLabTest;

// Waits until FILE holds NEEDLE or PID has ended; true when it was found.
bool WaitForLine(const fs::path& file, const std::string& needle, pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (std::chrono::steady_clock::now() < deadline) {
        if (test::ReadFile(file).find(needle) != std::string::npos)
            return true;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

std::vector<std::string> RunnerArgs(const UpdateSettings& s) {
    return {s.installFolder.string(), s.updateUrl, s.registryRoot, s.registryPath,
            s.tempRoot.string()};
}

TEST_F(UpdaterLabTest, AProgramUpdateKilledHalfWayLeavesAProgramThatRuns) {
    const std::string oldProgram = test::ReadFile(ORLAVO_STANDIN_OLD);
    // The new program with a long tail, so that putting it in place takes a while.
    const std::string newProgram = test::ReadFile(ORLAVO_STANDIN_NEW) + std::string(32 << 20, '\0');
    ASSERT_FALSE(oldProgram.empty());
    install("OrlavoW", oldProgram);
    chmod((installDir() / "OrlavoW").c_str(), 0755);
    serve("OrlavoW", newProgram);
    startLab();
    writeManifest(R"(<auto_update><app download_url="$FILES"><app_exe>
        <exe filename="OrlavoW" version_num="2,0,0,10"/></app_exe></app></auto_update>)");
    const std::string program = (installDir() / "OrlavoW").string();

    const fs::path out = sandbox_.path() / "runner.out";
    const fs::path err = sandbox_.path() / "runner.err";
    const pid_t pid =
        test::StartProgram(ORLAVO_INSTALL_RUNNER, RunnerArgs(settings()), {}, out, err);
    ASSERT_TRUE(WaitForLine(out, "copy OrlavoW", pid)) << test::ReadFile(out);
    kill(pid, SIGKILL);
    const test::ProgramResult killed = test::FinishProgram(pid, out, err);
    EXPECT_EQ(killed.exitCode, -1);

    // Whole, old or new, never half of one.
    const std::string now = installed("OrlavoW");
    EXPECT_TRUE(now == oldProgram || now == newProgram) << now.size() << " bytes";
    const test::ProgramResult ran = test::RunProgram(program, {}, {}, sandbox_.path());
    EXPECT_EQ(ran.exitCode, 0);
    EXPECT_TRUE(ran.out == "2.0.0.9\n" || ran.out == "2.0.0.10\n") << ran.out;

    // The next run finishes the update and leaves nothing behind, here or in
    // the temporary folder.
    const test::ProgramResult again =
        test::RunProgram(ORLAVO_INSTALL_RUNNER, RunnerArgs(settings()), {}, sandbox_.path());
    if (now == oldProgram) {
        EXPECT_EQ(again.exitCode, 0) << again.out << again.err;
    }
    EXPECT_EQ(test::RunProgram(program, {}, {}, sandbox_.path()).out, "2.0.0.10\n");
    EXPECT_EQ(FilesBelow(installDir()), std::vector<std::string>{"OrlavoW"});
    EXPECT_EQ(FilesBelow(tempRoot()), std::vector<std::string>{});
    struct stat st {};
    stat(program.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
}

}  // namespace
}  // namespace orlavo::updater
