#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TempDir.h"
#include "updater/InstallTarget.h"

namespace orlavo::updater {
namespace {

namespace fs = std::filesystem;

TEST(ResolveInstallTarget, KeepsEveryNameInsideTheFolder) {
    test::TempDir outside;
    test::TempDir dir;
    const fs::path root = dir.path() / "install";
    fs::create_directories(root / "images");
    fs::create_directory_symlink(outside.path(), root / "away");
    fs::create_directory_symlink(root / "images", root / "pictures");
    fs::create_symlink(outside.path() / "secret", root / "leak.jpg");
    fs::create_symlink(root / "images" / "1.jpg", root / "first.jpg");

    struct Case {
        std::string name;
        std::optional<fs::path> expected;
    } cases[] = {
        {"OrlavoW", root / "OrlavoW"},
        {"images/1.jpg", root / "images" / "1.jpg"},
        {"images\\1.jpg", root / "images" / "1.jpg"},     // written for Windows
        {"./new/2.jpg", root / "new" / "2.jpg"},          // a missing folder is not refused here
        {"pictures/1.jpg", root / "pictures" / "1.jpg"},  // a link that stays inside
        {"first.jpg", root / "first.jpg"},
        {"", std::nullopt},
        {".", std::nullopt},
        {"images/", std::nullopt},
        {"../OrlavoW", std::nullopt},
        {"images/../../OrlavoW", std::nullopt},
        {"..\\..\\etc\\passwd", std::nullopt},
        {"/etc/passwd", std::nullopt},
        {(outside.path() / "x").string(), std::nullopt},
        {"C:\\Windows\\x.dll", std::nullopt},
        {"c:x.dll", std::nullopt},
        {"away/x.dll", std::nullopt},
        {"away/../OrlavoW", std::nullopt},
        {"leak.jpg", std::nullopt},
        {std::string("a\0b", 3), std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResolveInstallTarget(root, c.name), c.expected) << c.name;
        // The name alone decides all but the links.
        const auto relative = InstallRelativePath(c.name);
        if (c.expected) {
            EXPECT_EQ(relative, c.expected->lexically_relative(root)) << c.name;
        } else if (!c.name.starts_with("away/") && c.name != "leak.jpg") {
            EXPECT_EQ(relative, std::nullopt) << c.name;
        }
    }
}

TEST(InstallFolderUsable, TakesFoldersOnly) {
    test::TempDir dir;
    const std::string file = dir.write("file", "x");
    fs::create_directory_symlink(dir.path(), dir.path() / "link");
    EXPECT_TRUE(InstallFolderUsable(dir.path()));
    EXPECT_TRUE(InstallFolderUsable(dir.path() / "link"));
    EXPECT_TRUE(InstallFolderUsable("/"));  // the bare root, like a bare drive
    EXPECT_FALSE(InstallFolderUsable(file));
    EXPECT_FALSE(InstallFolderUsable(dir.path() / "missing"));
    EXPECT_FALSE(InstallFolderUsable(""));
}

}  // namespace
}  // namespace orlavo::updater
