#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "common/RegistryRoot.h"
#include "platform/RegistryStore.h"

using namespace orlavo;
namespace fs = std::filesystem;

namespace {

const std::string kRoot = RegistryRoot("", "OrlavoW");

// A fresh folder per test, removed afterwards.
class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "orlavo-registry-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        // The store's folder does not exist yet: a write must create it.
        path_ = (dir_ / "Vennara" / "registry.sqlite3").string();
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }

    std::vector<fs::path> setAsideFiles() const {
        std::vector<fs::path> out;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(fs::path(path_).parent_path(), ec))
            if (e.path().filename().string().rfind("registry.sqlite3.damaged-", 0) == 0 &&
                e.path().extension() != ".sqlite3-wal" &&
                e.path().string().find("-wal") == std::string::npos)
                out.push_back(e.path());
        return out;
    }

    fs::path dir_;
    std::string path_;
};

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteAll(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// The keys stored in the database file, looked at without the store.
std::vector<std::string> StoredKeys(const std::string& path) {
    std::vector<std::string> keys;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT DISTINCT key FROM registry_values ORDER BY key", -1, &st,
                           nullptr);
        while (st && sqlite3_step(st) == SQLITE_ROW)
            keys.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return keys;
}

// Runs FN in a child process; when the tests run as root the child becomes
// "nobody" so that file permissions apply. Gives FN's result (0 = passed).
int RunUnprivileged(const std::function<int()>& fn) {
    pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(90);
        _exit(fn());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace

TEST(RegistryStorePath, EnvironmentChoosesTheFile) {
    {
        ScopedEnv reg("ORLAVO_REGISTRY", "/somewhere/test.sqlite3");
        EXPECT_EQ(RegistryStore::DefaultPath(), "/somewhere/test.sqlite3");
    }
    ScopedEnv reg("ORLAVO_REGISTRY", nullptr);
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(RegistryStore::DefaultPath(), "/cfg/Vennara/registry.sqlite3");
    }
    ScopedEnv home("HOME", "/home/tester");
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/cfg");
    EXPECT_EQ(RegistryStore::DefaultPath(), "/home/tester/.config/Vennara/registry.sqlite3");
}

TEST_F(RegistryStoreTest, MissingValuesReadAsTheTableDefaults) {
    RegistryStore store(kRoot, path_);
    EXPECT_EQ(store.getNumber("UserDetails", "ProdQuantity"), 1);
    EXPECT_EQ(store.getNumber("UserDetails", "Shop"), 1);
    EXPECT_EQ(store.getNumber("Settings", "Debug"), 0);
    EXPECT_EQ(store.getText("DownloadInfo", "UploadURL"), "");
    EXPECT_EQ(store.getNumber("Nowhere", "Unknown"), 0);
    EXPECT_EQ(store.getNumber("Nowhere", "Unknown", 42), 42);
    EXPECT_EQ(store.getText("Nowhere", "Unknown", "fallback"), "fallback");
    EXPECT_FALSE(store.find("UserDetails", "ProdQuantity"));
    EXPECT_TRUE(store.list().empty());
    EXPECT_TRUE(store.lastError().empty());
    // Reading creates nothing.
    EXPECT_FALSE(fs::exists(fs::path(path_).parent_path()));
}

TEST_F(RegistryStoreTest, ValuesKeepTheirTypes) {
    RegistryStore store(kRoot, path_);
    const std::string text =
        "Z\xC3\xB6"
        "e, line one\nline\ttwo \\ end";
    ASSERT_TRUE(store.setText("UserDetails", "FirstName", text)) << store.lastError();
    ASSERT_TRUE(store.setNumber("UserDetails", "ProdQuantity", INT32_MAX));
    ASSERT_TRUE(store.setNumber("UserDetails", "ProductTypeIndex", INT32_MIN));
    ASSERT_TRUE(store.setText("DownloadInfo", "UseDealerNumber", "-3"));
    ASSERT_TRUE(store.setText("UserDetails", "Email", ""));

    RegistryStore again(kRoot, path_);
    EXPECT_EQ(again.getText("UserDetails", "FirstName"), text);
    EXPECT_EQ(again.getNumber("UserDetails", "ProdQuantity"), INT32_MAX);
    EXPECT_EQ(again.getNumber("UserDetails", "ProductTypeIndex"), INT32_MIN);
    EXPECT_EQ(again.getText("DownloadInfo", "UseDealerNumber"), "-3");
    auto email = again.find("UserDetails", "Email");
    ASSERT_TRUE(email);  // an empty text is a value, not a missing one
    EXPECT_EQ(email->type, ValueType::Text);
    auto q = again.find("UserDetails", "ProdQuantity");
    ASSERT_TRUE(q);
    EXPECT_EQ(q->type, ValueType::Number);
    EXPECT_EQ(q->section, "UserDetails");
    EXPECT_EQ(q->name, "ProdQuantity");

    // Writing the other type replaces the value and its type.
    ASSERT_TRUE(again.setNumber("UserDetails", "FirstName", 7));
    EXPECT_EQ(again.find("UserDetails", "FirstName")->type, ValueType::Number);
    EXPECT_EQ(again.getNumber("UserDetails", "FirstName"), 7);
}

TEST_F(RegistryStoreTest, AValueOfTheOtherTypeReadsAsTheDefault) {
    RegistryStore store(kRoot, path_);
    ASSERT_TRUE(store.setText("UserDetails", "ProdQuantity", "5"));
    ASSERT_TRUE(store.setNumber("Settings", "UpdateURL", 3));
    EXPECT_EQ(store.getNumber("UserDetails", "ProdQuantity"), 1);
    EXPECT_EQ(store.getText("Settings", "UpdateURL"), "");
    EXPECT_EQ(store.getText("Settings", "UpdateURL", "x"), "x");
    EXPECT_TRUE(store.lastError().empty());
}

TEST_F(RegistryStoreTest, RootRuleWithAndWithoutProfile) {
    RegistryStore plain(RegistryRoot("", "OrlavoW"), path_);
    RegistryStore branch(RegistryRoot("Branch12", "OrlavoW"), path_);
    RegistryStore renamed(RegistryRoot("", "OrlavoW-beta"), path_);
    ASSERT_TRUE(plain.setText("UserDetails", "FirstName", "Plain"));
    ASSERT_TRUE(branch.setText("UserDetails", "FirstName", "Branch"));
    ASSERT_TRUE(branch.setNumber("Settings", "RegistryVersion", 4));
    ASSERT_TRUE(renamed.setText("UserDetails", "FirstName", "Beta"));

    EXPECT_EQ(StoredKeys(path_), (std::vector<std::string>{
                                     "Software\\Vennara\\Branch12\\OrlavoW\\Settings",
                                     "Software\\Vennara\\Branch12\\OrlavoW\\UserDetails",
                                     "Software\\Vennara\\OrlavoW-beta\\UserDetails",
                                     "Software\\Vennara\\OrlavoW\\UserDetails",
                                 }));
    EXPECT_EQ(plain.getText("UserDetails", "FirstName"), "Plain");
    EXPECT_EQ(branch.getText("UserDetails", "FirstName"), "Branch");
    EXPECT_EQ(plain.getNumber("Settings", "RegistryVersion"), 0);
    // The updater started with Branch12 reads the wizard's values of that profile.
    RegistryStore updater(UpdaterRegistryRoot("Branch12"), path_);
    EXPECT_EQ(updater.getNumber("Settings", "RegistryVersion"), 4);
    EXPECT_EQ(updater.getText("UserDetails", "FirstName"), "Branch");
}

TEST_F(RegistryStoreTest, ListsOneRootSortedBySectionAndName) {
    RegistryStore store(kRoot, path_);
    ASSERT_TRUE(store.setText("UserDetails", "LastName", "B"));
    ASSERT_TRUE(store.setText("DownloadInfo", "UploadURL", "http://127.0.0.1/u"));
    ASSERT_TRUE(store.setNumber("UserDetails", "Remember", 1));
    ASSERT_TRUE(store.setText("UserDetails", "FirstName", "A"));
    // Neighbouring keys whose names start alike are not part of this root.
    RegistryStore other(RegistryRoot("", "OrlavoWX"), path_);
    ASSERT_TRUE(other.setText("UserDetails", "FirstName", "Other"));
    RegistryStore branch(RegistryRoot("OrlavoW", "OrlavoW"), path_);  // ...\OrlavoW\OrlavoW
    ASSERT_TRUE(branch.setText("UserDetails", "FirstName", "Nested"));

    auto all = store.list();
    std::vector<std::string> seen;
    for (const auto& v : all)
        seen.push_back(v.section + "/" + v.name);
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "DownloadInfo/UploadURL", "OrlavoW\\UserDetails/FirstName",
                        "UserDetails/FirstName", "UserDetails/LastName", "UserDetails/Remember"}))
        << "a profile named like the program sits below the program's key, as in the registry";
    auto details = store.list("UserDetails");
    ASSERT_EQ(details.size(), 3u);
    EXPECT_EQ(details[2].name, "Remember");
    EXPECT_EQ(details[2].type, ValueType::Number);
    EXPECT_EQ(details[2].number, 1);
}

TEST_F(RegistryStoreTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
    RegistryStore store(kRoot, path_);
    ASSERT_TRUE(store.setNumber("Settings", "Debug", 1));
    ASSERT_TRUE(store.setNumber("SETTINGS", "debug", 2));
    EXPECT_EQ(store.getNumber("settings", "DEBUG"), 2);
    auto all = store.list();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].name, "Debug");
    // Defaults are found whatever the case.
    EXPECT_EQ(store.getNumber("userdetails", "prodquantity"), 1);
}

TEST_F(RegistryStoreTest, RemoveLeavesTheValueGone) {
    RegistryStore store(kRoot, path_);
    EXPECT_TRUE(store.remove("UserDetails", "Shop"));  // nothing there: nothing created
    EXPECT_FALSE(fs::exists(path_));
    ASSERT_TRUE(store.setNumber("UserDetails", "Shop", 0));
    EXPECT_EQ(store.getNumber("UserDetails", "Shop"), 0);
    EXPECT_TRUE(store.remove("UserDetails", "Shop"));
    EXPECT_EQ(store.getNumber("UserDetails", "Shop"), 1);
    EXPECT_FALSE(store.find("UserDetails", "Shop"));
    EXPECT_TRUE(store.remove("UserDetails", "Shop"));
}

TEST_F(RegistryStoreTest, ReaderSeesAStoreCreatedAfterItOpened) {
    // An empty file: another program has only just begun to create the store.
    WriteAll(path_, "");
    RegistryStore reader(kRoot, path_);
    EXPECT_EQ(reader.getText("DownloadInfo", "UploadURL"), "");
    RegistryStore writer(kRoot, path_);
    ASSERT_TRUE(writer.setText("DownloadInfo", "UploadURL", "http://127.0.0.1/u"));
    EXPECT_EQ(reader.getText("DownloadInfo", "UploadURL"), "http://127.0.0.1/u");
    ASSERT_TRUE(writer.setText("DownloadInfo", "UploadURL", "http://127.0.0.1/v"));
    EXPECT_EQ(reader.getText("DownloadInfo", "UploadURL"), "http://127.0.0.1/v");
}

TEST_F(RegistryStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kProcesses = 4;
    constexpr int kValues = 120;
    // Each process opens the store itself, the first of them creating it; all
    // start together when the parent closes the pipe.
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(gate[1]);
            char c;
            while (read(gate[0], &c, 1) > 0) {
            }
            RegistryStore store(kRoot, path_);
            int failures = 0;
            for (int i = 0; i < kValues; ++i) {
                std::string name = "P" + std::to_string(p) + "_" + std::to_string(i);
                if (!store.setNumber("Load", name, p * 1000 + i))
                    ++failures;
                if (!store.setText("Load", "Last" + std::to_string(p), name))
                    ++failures;
                // Reading while the others write sees this process's own writes.
                if (store.getNumber("Load", name, -1) != p * 1000 + i)
                    ++failures;
            }
            _exit(failures == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    close(gate[0]);
    close(gate[1]);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed";
    }
    RegistryStore store(kRoot, path_);
    auto values = store.list("Load");
    EXPECT_EQ(values.size(), static_cast<std::size_t>(kProcesses * (kValues + 1)));
    for (int p = 0; p < kProcesses; ++p) {
        for (int i = 0; i < kValues; ++i)
            ASSERT_EQ(
                store.getNumber("Load", "P" + std::to_string(p) + "_" + std::to_string(i), -1),
                p * 1000 + i);
        EXPECT_EQ(store.getText("Load", "Last" + std::to_string(p)),
                  "P" + std::to_string(p) + "_" + std::to_string(kValues - 1));
    }
}

TEST_F(RegistryStoreTest, FileThatIsNotADatabaseIsSetAsideAndReadsGiveDefaults) {
    const std::string garbage(5000, '\x5A');
    WriteAll(path_, "not a database at all\n" + garbage);
    RegistryStore store(kRoot, path_);
    EXPECT_EQ(store.getNumber("UserDetails", "ProdQuantity"), 1);
    EXPECT_NE(store.lastError().find("set aside"), std::string::npos) << store.lastError();
    auto aside = setAsideFiles();
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadAll(aside[0]), "not a database at all\n" + garbage);
    EXPECT_NE(store.lastError().find(aside[0].string()), std::string::npos);
    EXPECT_FALSE(fs::exists(path_));

    // Afterwards a fresh store takes its place; the damaged copy stays as it was.
    ASSERT_TRUE(store.setText("UserDetails", "FirstName", "Fresh")) << store.lastError();
    EXPECT_EQ(RegistryStore(kRoot, path_).getText("UserDetails", "FirstName"), "Fresh");
    EXPECT_EQ(ReadAll(aside[0]), "not a database at all\n" + garbage);
}

TEST_F(RegistryStoreTest, WriteThatFindsADamagedFileFailsWithoutOverwritingIt) {
    const std::string garbage =
        "SQLite format 3" + std::string(1, '\0') + std::string(3000, '\x07');
    WriteAll(path_, garbage);
    RegistryStore store(kRoot, path_);
    EXPECT_FALSE(store.setNumber("Settings", "Debug", 1));
    EXPECT_FALSE(store.lastError().empty());
    auto aside = setAsideFiles();
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadAll(aside[0]), garbage);
    EXPECT_EQ(store.getNumber("Settings", "Debug"), 0);
}

TEST_F(RegistryStoreTest, TruncatedDatabaseIsSetAside) {
    {
        RegistryStore store(kRoot, path_);
        for (int i = 0; i < 400; ++i)
            ASSERT_TRUE(store.setText("Bulk", "V" + std::to_string(i), std::string(200, 'x')));
    }
    // Fold the log into the file, then cut the file short.
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
        sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE); PRAGMA journal_mode=DELETE", nullptr,
                     nullptr, nullptr);
        sqlite3_close(db);
    }
    auto size = fs::file_size(path_);
    ASSERT_GT(size, 40000u);
    fs::resize_file(path_, size / 2);

    RegistryStore store(kRoot, path_);
    EXPECT_EQ(store.getText("Bulk", "V399", "default"), "default");
    EXPECT_FALSE(store.lastError().empty());
    EXPECT_EQ(setAsideFiles().size(), 1u);
}

TEST_F(RegistryStoreTest, UnwritableStoreIsReported) {
    // The folder cannot be made: a file stands where it should be.
    WriteAll(dir_ / "Vennara", "a file, not a folder");
    RegistryStore store(kRoot, path_);
    EXPECT_FALSE(store.setText("UserDetails", "FirstName", "X"));
    EXPECT_NE(store.lastError().find("Vennara"), std::string::npos) << store.lastError();
    EXPECT_EQ(store.getNumber("UserDetails", "ProdQuantity"), 1);

    // The store's name is a folder.
    const std::string folderPath = (dir_ / "folder.sqlite3").string();
    fs::create_directories(folderPath);
    RegistryStore onFolder(kRoot, folderPath);
    EXPECT_FALSE(onFolder.setNumber("Settings", "Debug", 1));
    EXPECT_FALSE(onFolder.lastError().empty());
    EXPECT_EQ(onFolder.getNumber("Settings", "Debug", 5), 5);
    EXPECT_TRUE(fs::is_directory(folderPath));
}

TEST_F(RegistryStoreTest, ReadOnlyFileIsReadButNotWritten) {
    {
        RegistryStore store(kRoot, path_);
        ASSERT_TRUE(store.setText("UserDetails", "FirstName", "Kept"));
    }
    fs::permissions(dir_, fs::perms::all);
    fs::permissions(fs::path(path_).parent_path(), fs::perms::all);
    for (const auto& e : fs::directory_iterator(fs::path(path_).parent_path()))
        fs::permissions(e.path(),
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    int result = RunUnprivileged([&] {
        RegistryStore store(kRoot, path_);
        if (store.getText("UserDetails", "FirstName") != "Kept")
            return 1;
        if (store.setText("UserDetails", "FirstName", "Changed"))
            return 2;
        if (store.lastError().empty())
            return 3;
        if (store.getText("UserDetails", "FirstName") != "Kept")
            return 4;
        return 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(setAsideFiles().empty());
}

TEST_F(RegistryStoreTest, StoreInAReadOnlyFolderIsReadButNotWritten) {
    {
        RegistryStore store(kRoot, path_);
        ASSERT_TRUE(store.setNumber("UserDetails", "ProdQuantity", 4));
    }
    const fs::path folder = fs::path(path_).parent_path();
    fs::permissions(dir_, fs::perms::all);
    fs::permissions(path_, fs::perms::all);
    // No log or index can be made beside the file.
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    int result = RunUnprivileged([&] {
        RegistryStore store(kRoot, path_);
        if (store.getNumber("UserDetails", "ProdQuantity") != 4)
            return 1;
        if (!store.lastError().empty())
            return 2;
        if (store.setNumber("UserDetails", "ProdQuantity", 5))
            return 3;
        if (store.lastError().empty())
            return 4;
        if (store.getNumber("UserDetails", "ProdQuantity") != 4)
            return 5;
        return 0;
    });
    EXPECT_EQ(result, 0);
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
    EXPECT_EQ(RegistryStore(kRoot, path_).getNumber("UserDetails", "ProdQuantity"), 4);
}

TEST_F(RegistryStoreTest, UnreadableFileGivesDefaultsAndIsNotSetAside) {
    {
        RegistryStore store(kRoot, path_);
        ASSERT_TRUE(store.setNumber("UserDetails", "Shop", 0));
    }
    fs::permissions(dir_, fs::perms::all);
    fs::permissions(fs::path(path_).parent_path(), fs::perms::all);
    fs::permissions(path_, fs::perms::none);
    int result = RunUnprivileged([&] {
        RegistryStore store(kRoot, path_);
        if (store.getNumber("UserDetails", "Shop") != 1)
            return 1;
        if (store.lastError().empty())
            return 2;
        if (store.setNumber("UserDetails", "Shop", 2))
            return 3;
        if (store.lastError().empty())
            return 4;
        return 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(setAsideFiles().empty());
    fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(RegistryStore(kRoot, path_).getNumber("UserDetails", "Shop"), 0);
}

TEST_F(RegistryStoreTest, DamagedFileThatCannotBeSetAsideIsLeftAlone) {
    WriteAll(path_, std::string(4096, '\x42'));
    fs::permissions(dir_, fs::perms::all);
    fs::permissions(fs::path(path_), fs::perms::all);
    // Its folder is read-only: the file can be neither renamed nor replaced.
    fs::permissions(fs::path(path_).parent_path(),
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                        fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    int result = RunUnprivileged([&] {
        RegistryStore store(kRoot, path_);
        if (store.getNumber("UserDetails", "Shop") != 1)
            return 1;
        if (store.lastError().find("could not be set aside") == std::string::npos)
            return 2;
        if (store.setText("UserDetails", "FirstName", "X"))
            return 3;
        if (store.lastError().empty())
            return 4;
        return 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadAll(path_), std::string(4096, '\x42'));
    EXPECT_TRUE(setAsideFiles().empty());
}

TEST_F(RegistryStoreTest, ProblemsAreNamedAndAReaderNeverRenames) {
    // Damaged, read by a program that only reads: named, left where it is.
    WriteAll(path_, "not a database\n");
    {
        RegistryStore reader(kRoot, path_, StoreAccess::ReadOnly);
        EXPECT_EQ(reader.getText("DownloadInfo", "DownloadURL", "x"), "x");
        EXPECT_EQ(reader.problem().fault, StoreFault::Damaged);
        EXPECT_FALSE(reader.setText("UserDetails", "FirstName", "X"));
    }
    EXPECT_EQ(ReadAll(path_), "not a database\n");
    EXPECT_TRUE(setAsideFiles().empty());
    // A program that writes sets it aside and says as what.
    {
        RegistryStore writer(kRoot, path_);
        EXPECT_EQ(writer.getNumber("UserDetails", "Shop"), 1);
        ASSERT_EQ(writer.problem().fault, StoreFault::SetAside);
        ASSERT_EQ(setAsideFiles().size(), 1u);
        EXPECT_EQ(writer.problem().file, setAsideFiles()[0].string());
        EXPECT_EQ(ReadAll(writer.problem().file), "not a database\n");
    }

    // Locked by another program: said so, and the values after the first
    // do not wait the busy time-out again (forty such waits would outlast
    // the test's time limit).
    {
        RegistryStore writer(kRoot, path_);
        ASSERT_TRUE(writer.setText("DownloadInfo", "DownloadURL", "http://lab/c.xml"));
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    RegistryStore reader(kRoot, path_, StoreAccess::ReadOnly);
    EXPECT_EQ(reader.getText("DownloadInfo", "DownloadURL"), "");
    EXPECT_EQ(reader.problem().fault, StoreFault::Locked);
    const std::string first = reader.lastError();
    EXPECT_NE(first.find("locked"), std::string::npos) << first;
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(reader.getNumber("Settings", "Debug", 7), 7);
    EXPECT_EQ(reader.lastError(), first);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}
