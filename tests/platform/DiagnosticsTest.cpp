#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/Diagnostics.h"

using namespace orlavo;
namespace fs = std::filesystem;

namespace {

// Points XDG_STATE_HOME at a fresh folder for one test.
class DiagnosticsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("XDG_STATE_HOME"))
            old_ = old;
        std::string tmpl = (fs::temp_directory_path() / "orlavo-diag-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        setenv("XDG_STATE_HOME", dir_.c_str(), 1);
    }
    void TearDown() override {
        if (old_)
            setenv("XDG_STATE_HOME", old_->c_str(), 1);
        else
            unsetenv("XDG_STATE_HOME");
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
    std::optional<std::string> old_;
};

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

TEST_F(DiagnosticsTest, FolderFollowsTheStateHome) {
    EXPECT_EQ(DiagnosticsFolder(), dir_.string() + "/Vennara/OrlavoW/");
    setenv("XDG_STATE_HOME", "relative/state", 1);
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(DiagnosticsFolder(), std::string(home) + "/.local/state/Vennara/OrlavoW/");
}

TEST_F(DiagnosticsTest, AppendsBytesToANamedFile) {
    const std::string first("<PriceQuote/>\r\n\0binary", 23);
    ASSERT_TRUE(AppendDiagnostic("!QRT2_request.txt", first));
    ASSERT_TRUE(AppendDiagnostic("!QRT2_request.txt", "second"));
    ASSERT_TRUE(AppendDiagnostic("!QRT2_input.txt", ""));
    const fs::path file = dir_ / "Vennara" / "OrlavoW" / "!QRT2_request.txt";
    EXPECT_EQ(ReadAll(file), first + "second");
    EXPECT_TRUE(fs::exists(dir_ / "Vennara" / "OrlavoW" / "!QRT2_input.txt"));
    // Customer details end up here: for the user's eyes only.
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(DiagnosticsTest, FailureIsReportedNotRaised) {
    // Only a plain file name is taken: nothing is written outside the folder.
    EXPECT_FALSE(AppendDiagnostic("../escape.txt", "x"));
    EXPECT_FALSE(AppendDiagnostic("", "x"));
    EXPECT_FALSE(fs::exists(dir_ / "Vennara" / "escape.txt"));

    // The folder cannot be made: a file stands in its way.
    std::ofstream(dir_ / "blocked") << "file";
    setenv("XDG_STATE_HOME", (dir_ / "blocked").c_str(), 1);
    EXPECT_FALSE(AppendDiagnostic("!QRT2_output.txt", "manifest"));

    // The name is taken by a folder.
    setenv("XDG_STATE_HOME", dir_.c_str(), 1);
    fs::create_directories(dir_ / "Vennara" / "OrlavoW" / "!QRT2_output.txt");
    EXPECT_FALSE(AppendDiagnostic("!QRT2_output.txt", "manifest"));

    // A pipe nobody reads in the file's place does not hold the caller up.
    ASSERT_EQ(mkfifo((dir_ / "Vennara" / "OrlavoW" / "!QRT2_input.txt").c_str(), 0600), 0);
    EXPECT_FALSE(AppendDiagnostic("!QRT2_input.txt", "answer"));
}
