#include "platform/PrivateFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/support/TempDir.h"

namespace orlavo {
namespace {

namespace fs = std::filesystem;

unsigned Mode(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::lstat(p.c_str(), &st), 0) << p;
    return st.st_mode & 0777;
}

TEST(PrivateFiles, FolderIsMadeAndNarrowedForTheUserOnly) {
    test::TempDir dir;
    const fs::path deep = dir.path() / "state" / "Vennara" / "OrlavoW";
    EXPECT_EQ(EnsurePrivateFolder(deep.string() + "/"), "");
    EXPECT_EQ(Mode(dir.path() / "state"), 0700u);
    EXPECT_EQ(Mode(deep), 0700u);
    // One that others could read, as an older program made it, is narrowed.
    ::chmod(deep.c_str(), 0755);
    EXPECT_EQ(EnsurePrivateFolder(deep.string()), "");
    EXPECT_EQ(Mode(deep), 0700u);
    // A file where the folder should be is no folder.
    const std::string file = dir.write("plain", "x");
    EXPECT_NE(EnsurePrivateFolder(file), "");
}

TEST(PrivateFiles, ReplacedFileHoldsTheNewBytesOnlyAndNothingIsLeftBeside) {
    test::TempDir dir;
    const std::string path = (dir.path() / "journal").string();
    EXPECT_EQ(ReplaceFileAtomically(path, "first\n"), "");
    EXPECT_EQ(ReplaceFileAtomically(path, std::string("second\0\n", 8)), "");
    std::string bytes;
    ASSERT_EQ(ReadPrivateFile(path, 100, bytes), PrivateRead::Ok);
    EXPECT_EQ(bytes, std::string("second\0\n", 8));
    EXPECT_EQ(Mode(path), 0600u);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);
    // A folder that is not there: the old file (none) stays as it was.
    EXPECT_NE(ReplaceFileAtomically((dir.path() / "gone" / "journal").string(), "x"), "");
}

TEST(PrivateFiles, ReadRefusesWhatIsNotAPrivateRegularFileOrTooLong) {
    test::TempDir dir;
    const std::string good = dir.write("good", "12345");
    ::chmod(good.c_str(), 0600);
    const std::string shared = dir.write("shared", "12345");
    ::chmod(shared.c_str(), 0666);
    const fs::path link = dir.path() / "link";
    fs::create_symlink(good, link);
    fs::create_directory(dir.path() / "folder");
    const struct {
        std::string path;
        std::size_t limit;
        PrivateRead expected;
    } cases[] = {
        {good, 5, PrivateRead::Ok},
        {good, 4, PrivateRead::TooLarge},
        {shared, 100, PrivateRead::NotPrivate},
        {link.string(), 100, PrivateRead::NotPrivate},
        {(dir.path() / "folder").string(), 100, PrivateRead::NotPrivate},
        {(dir.path() / "none").string(), 100, PrivateRead::Missing},
    };
    for (const auto& c : cases) {
        std::string bytes = "stale";
        EXPECT_EQ(ReadPrivateFile(c.path, c.limit, bytes), c.expected) << c.path;
        EXPECT_EQ(bytes, c.expected == PrivateRead::Ok ? "12345" : "") << c.path;
    }
}

TEST(PrivateFiles, LockIsHeldAgainstEveryOtherTakerUntilItGoes) {
    test::TempDir dir;
    const std::string path = (dir.path() / "order.lock").string();
    FileLock::Result result = FileLock::Result::Failed;
    std::unique_ptr<FileLock> first = FileLock::TryTake(path, result);
    ASSERT_TRUE(first);
    EXPECT_EQ(result, FileLock::Result::Taken);
    EXPECT_EQ(Mode(path), 0600u);
    // In this process ...
    EXPECT_FALSE(FileLock::TryTake(path, result));
    EXPECT_EQ(result, FileLock::Result::Busy);
    // ... and in another one.
    const pid_t child = ::fork();
    if (child == 0) {
        FileLock::Result r = FileLock::Result::Failed;
        const bool taken = FileLock::TryTake(path, r) != nullptr;
        ::_exit(!taken && r == FileLock::Result::Busy ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    first.reset();
    EXPECT_TRUE(FileLock::TryTake(path, result));
    EXPECT_EQ(result, FileLock::Result::Taken);
}

}  // namespace
}  // namespace orlavo
