// Runs the built orlavo-reg against a store in a sandbox folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/RegistryRoot.h"
#include "platform/FileVersion.h"
#include "platform/RegistryStore.h"
#include "tests/support/ProgramRun.h"

namespace fs = std::filesystem;
using orlavo::RegistryRoot;
using orlavo::RegistryStore;

namespace {

using Result = orlavo::test::ProgramResult;

class OrlavoRegTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "orlavo-reg-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        store_ = (dir_ / "store" / "registry.sqlite3").string();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Starts orlavo-reg with ARGS; N names its output files.
    pid_t start(const std::vector<std::string>& args, int n) {
        return orlavo::test::StartProgram(std::string(ORLAVO_BIN_DIR) + "/orlavo-reg", args,
                                          {{"ORLAVO_REGISTRY", store_}}, outFile(n), errFile(n));
    }

    Result finish(pid_t pid, int n) {
        return orlavo::test::FinishProgram(pid, outFile(n), errFile(n));
    }

    fs::path outFile(int n) const { return dir_ / ("out" + std::to_string(n)); }
    fs::path errFile(int n) const { return dir_ / ("err" + std::to_string(n)); }

    Result run(const std::vector<std::string>& args) { return finish(start(args, 0), 0); }

    // Runs orlavo-reg as a user the file permissions apply to.
    Result runUnprivileged(const std::vector<std::string>& args) {
        return finish(
            orlavo::test::StartProgram(std::string(ORLAVO_BIN_DIR) + "/orlavo-reg", args,
                                       {{"ORLAVO_REGISTRY", store_}}, outFile(0), errFile(0), true),
            0);
    }

    fs::path dir_;
    std::string store_;
};

}  // namespace

TEST_F(OrlavoRegTest, SetsAndReadsEveryType) {
    const std::string text = "http://127.0.0.1:8080/upload?a=1 & b=\xC3\xA9";
    EXPECT_EQ(run({"set", "DownloadInfo", "UploadURL", text}).exitCode, 0);
    EXPECT_EQ(run({"set", "UserDetails", "Email", ""}).exitCode, 0);
    EXPECT_EQ(run({"set-number", "UserDetails", "ProdQuantity", "-7"}).exitCode, 0);
    EXPECT_EQ(run({"set-number", "Settings", "Debug", "2147483647"}).exitCode, 0);
    EXPECT_EQ(run({"set-number", "Settings", "RegistryVersion", "-2147483648"}).exitCode, 0);
    EXPECT_EQ(run({"set-number", "UserDetails", "Shop", "+3"}).exitCode, 0);

    Result url = run({"get", "DownloadInfo", "UploadURL"});
    EXPECT_EQ(url.exitCode, 0);
    EXPECT_EQ(url.out, text + "\n");
    EXPECT_EQ(url.err, "");
    EXPECT_EQ(run({"get", "UserDetails", "Email"}).out, "\n");
    EXPECT_EQ(run({"get", "UserDetails", "ProdQuantity"}).out, "-7\n");
    EXPECT_EQ(run({"get", "Settings", "Debug"}).out, "2147483647\n");
    EXPECT_EQ(run({"get", "Settings", "RegistryVersion"}).out, "-2147483648\n");
    EXPECT_EQ(run({"get", "UserDetails", "Shop"}).out, "3\n");

    // The programs' own store reads what the tool wrote, with its type.
    RegistryStore store(RegistryRoot("", "OrlavoW"), store_);
    EXPECT_EQ(store.getText("DownloadInfo", "UploadURL"), text);
    EXPECT_EQ(store.getNumber("UserDetails", "ProdQuantity"), -7);
    EXPECT_EQ(store.getNumber("Settings", "RegistryVersion"), INT32_MIN);
}

TEST_F(OrlavoRegTest, ProfileAndProgramChooseTheKey) {
    EXPECT_EQ(run({"--profile", "Branch12", "set", "UserDetails", "FirstName", "Branch"}).exitCode,
              0);
    EXPECT_EQ(run({"--program=OrlavoW-beta", "set", "UserDetails", "FirstName", "Beta"}).exitCode,
              0);
    EXPECT_EQ(run({"set", "UserDetails", "FirstName", "Plain"}).exitCode, 0);
    // A profile always names the OrlavoW key, whatever the program.
    EXPECT_EQ(
        run({"--profile=Branch12", "--program", "Other", "get", "UserDetails", "FirstName"}).out,
        "Branch\n");
    EXPECT_EQ(run({"get", "UserDetails", "FirstName"}).out, "Plain\n");
    EXPECT_EQ(RegistryStore(RegistryRoot("Branch12", "OrlavoW"), store_)
                  .getText("UserDetails", "FirstName"),
              "Branch");
    EXPECT_EQ(RegistryStore("Software\\Vennara\\OrlavoW-beta", store_)
                  .getText("UserDetails", "FirstName"),
              "Beta");
}

TEST_F(OrlavoRegTest, ListPrintsOneValueALineEscapingText) {
    EXPECT_EQ(run({"set", "UserDetails", "Address", "1 High St\nFlat\t2 \\ back"}).exitCode, 0);
    EXPECT_EQ(run({"set-number", "UserDetails", "Remember", "1"}).exitCode, 0);
    EXPECT_EQ(run({"set", "DownloadInfo", "HelpURL", "http://127.0.0.1/help"}).exitCode, 0);
    Result all = run({"list"});
    EXPECT_EQ(all.exitCode, 0);
    EXPECT_EQ(all.out,
              "DownloadInfo\tHelpURL\ttext\thttp://127.0.0.1/help\n"
              "UserDetails\tAddress\ttext\t1 High St\\nFlat\\t2 \\\\ back\n"
              "UserDetails\tRemember\tnumber\t1\n");
    Result one = run({"list", "DownloadInfo"});
    EXPECT_EQ(one.out, "DownloadInfo\tHelpURL\ttext\thttp://127.0.0.1/help\n");
    Result none = run({"list", "ShippingDetails"});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, "");
}

TEST_F(OrlavoRegTest, MissingValueHasItsOwnExitCode) {
    Result known = run({"get", "UserDetails", "ProdQuantity"});
    EXPECT_EQ(known.exitCode, 1);
    EXPECT_EQ(known.out, "");  // nothing a script could take for a stored value
    EXPECT_NE(known.err.find("missing"), std::string::npos) << known.err;
    EXPECT_NE(known.err.find("default, 1"), std::string::npos) << known.err;

    Result unknown = run({"get", "DownloadInfo", "MirrorURL"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("MirrorURL"), std::string::npos);

    Result del = run({"delete", "UserDetails", "Phone"});
    EXPECT_EQ(del.exitCode, 1);
    EXPECT_NE(del.err.find("nothing to delete"), std::string::npos);
}

TEST_F(OrlavoRegTest, DeleteRemovesTheValue) {
    ASSERT_EQ(run({"set-number", "UserDetails", "Shop", "0"}).exitCode, 0);
    EXPECT_EQ(run({"delete", "UserDetails", "Shop"}).exitCode, 0);
    EXPECT_EQ(run({"get", "UserDetails", "Shop"}).exitCode, 1);
}

TEST_F(OrlavoRegTest, BadNumbersAreRefused) {
    for (std::string bad :
         {"12x", "2147483648", "-2147483649", "", " 5", "0x10", "1.5", "--1", "+"}) {
        Result r = run({"set-number", "UserDetails", "ProdQuantity", bad});
        EXPECT_EQ(r.exitCode, 3) << "'" << bad << "'";
        EXPECT_NE(r.err.find("not a 32-bit integer"), std::string::npos) << r.err;
    }
    EXPECT_EQ(run({"get", "UserDetails", "ProdQuantity"}).exitCode, 1) << "nothing was stored";
}

TEST_F(OrlavoRegTest, KnownValuesKeepTheirType) {
    Result text = run({"set", "UserDetails", "ProdQuantity", "5"});
    EXPECT_EQ(text.exitCode, 5);
    EXPECT_NE(text.err.find("use set-number"), std::string::npos) << text.err;
    Result number = run({"set-number", "DownloadInfo", "UseDealerNumber", "3"});
    EXPECT_EQ(number.exitCode, 5);
    EXPECT_NE(number.err.find("use set"), std::string::npos) << number.err;
    // Names the table does not know take either type.
    EXPECT_EQ(run({"set-number", "DownloadInfo", "Extra", "3"}).exitCode, 0);

    // A value of the other type written by someone else is shown, with what the programs see.
    ASSERT_TRUE(RegistryStore(RegistryRoot("", "OrlavoW"), store_)
                    .setText("UserDetails", "ProdQuantity", "five"));
    Result shown = run({"get", "UserDetails", "ProdQuantity"});
    EXPECT_EQ(shown.exitCode, 0);
    EXPECT_EQ(shown.out, "five\n");
    EXPECT_NE(shown.err.find("default, 1"), std::string::npos) << shown.err;
}

TEST_F(OrlavoRegTest, UnwritableStoreIsReported) {
    std::ofstream(dir_ / "store") << "a file where the folder should be";
    Result r = run({"set", "UserDetails", "FirstName", "X"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("cannot create the folder"), std::string::npos) << r.err;
    Result n = run({"set-number", "Settings", "Debug", "1"});
    EXPECT_EQ(n.exitCode, 4);
}

TEST_F(OrlavoRegTest, DamagedStoreIsReportedAndSetAside) {
    fs::create_directories(dir_ / "store");
    std::ofstream(store_) << "this is not a database, it is a shopping list\n";
    Result r = run({"get", "UserDetails", "Shop"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("set aside"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(store_));
    // The next write starts a fresh store.
    EXPECT_EQ(run({"set-number", "UserDetails", "Shop", "0"}).exitCode, 0);
    EXPECT_EQ(run({"get", "UserDetails", "Shop"}).out, "0\n");
}

TEST(OrlavoReg, CarriesTheProjectFileVersion) {
    auto version = orlavo::ReadFileVersion(std::string(ORLAVO_BIN_DIR) + "/orlavo-reg");
    ASSERT_TRUE(version);
    EXPECT_EQ(version, orlavo::ReadFileVersion(std::string(ORLAVO_BIN_DIR) + "/OrlavoW"));
}

TEST_F(OrlavoRegTest, BadUsage) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"fetch", "A", "B"},
        {"--colour", "get", "A", "B"},
        {"get", "A"},
        {"set", "A", "B"},
        {"set-number", "A", "B", "1", "2"},
        {"list", "A", "B"},
        {"delete", "A"},
        {"--profile"},
        {"--program", "", "get", "A", "B"},
    };
    for (const auto& args : bad) {
        Result r = run(args);
        EXPECT_EQ(r.exitCode, 2) << testing::PrintToString(args);
        EXPECT_NE(r.err.find("orlavo-reg --help"), std::string::npos) << r.err;
    }
    Result help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: orlavo-reg"), std::string::npos);
    EXPECT_NE(help.out.find("Exit codes"), std::string::npos);
}

TEST_F(OrlavoRegTest, ManyProcessesWritingAtOnceLoseNothing) {
    constexpr int kRuns = 24;
    std::vector<pid_t> pids;
    for (int i = 0; i < kRuns; ++i)
        pids.push_back(start(
            {i % 2 ? "set" : "set-number", "Load", "V" + std::to_string(i), std::to_string(i)}, i));
    for (int i = 0; i < kRuns; ++i) {
        Result r = finish(pids[i], i);
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
    Result list = run({"list", "Load"});
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), kRuns) << list.out;
    RegistryStore store(RegistryRoot("", "OrlavoW"), store_);
    for (int i = 0; i < kRuns; ++i) {
        std::string name = "V" + std::to_string(i);
        if (i % 2)
            EXPECT_EQ(store.getText("Load", name), std::to_string(i));
        else
            EXPECT_EQ(store.getNumber("Load", name, -1), i);
    }
}

TEST_F(OrlavoRegTest, StoreItMayNotWriteOrEnterGivesTheRealReason) {
    ASSERT_EQ(run({"set", "UserDetails", "FirstName", "Kept"}).exitCode, 0);
    const fs::perms readable =
        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    const fs::perms enterable =
        readable | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    fs::permissions(dir_, enterable);
    fs::permissions(store_, readable);
    fs::permissions(fs::path(store_).parent_path(), enterable);

    Result write = runUnprivileged({"set", "UserDetails", "FirstName", "Changed"});
    EXPECT_EQ(write.exitCode, 4);
    EXPECT_NE(write.err.find("read-only"), std::string::npos) << write.err;
    EXPECT_EQ(write.err.find("not an error"), std::string::npos) << write.err;
    EXPECT_EQ(runUnprivileged({"get", "UserDetails", "FirstName"}).out, "Kept\n");

    // A folder on the way that cannot be entered: not a missing value.
    fs::permissions(fs::path(store_).parent_path(), fs::perms::none);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"get", "UserDetails", "FirstName"},
          std::vector<std::string>{"list"}, std::vector<std::string>{"list", "UserDetails"}}) {
        Result r = runUnprivileged(args);
        EXPECT_EQ(r.exitCode, 4) << args[0];
        EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    fs::permissions(fs::path(store_).parent_path(), fs::perms::owner_all);
    fs::permissions(dir_, fs::perms::owner_all);
}
