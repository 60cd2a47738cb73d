// Listing a folder's photos and subfolders as a file manager orders them.

#include "wizard/photos/PhotoFolder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/TempDir.h"

namespace orlavo::wizard {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const auto& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back(e.name);
    return names;
}

TEST(PhotoFolder, ListsPhotosByNameOrTypeInNaturalOrder) {
    test::TempDir dir;
    for (const char* name : {"img10.jpg", "b.JPG", "img2.jpg", "IMG3.jpg", "a.jpg", "c.jpeg",
                             "d.png", "notes.txt", "jpg", ".hidden.jpg", "e.jpe", "f.JpG"})
        dir.write(name, "x");
    fs::create_directory(dir.path() / "folder.jpg");
    fs::create_symlink(dir.path() / "a.jpg", dir.path() / "link.jpg");

    const std::vector<PhotoEntry> photos = ListPhotos(dir.path().string());
    EXPECT_EQ(Names(photos),
              (std::vector<std::string>{"a.jpg", "b.JPG", "c.jpeg", "d.png", "e.jpe", "f.JpG",
                                        "img2.jpg", "IMG3.jpg", "img10.jpg", "link.jpg"}));
    ASSERT_FALSE(photos.empty());
    EXPECT_EQ(photos[0].path, dir.file("a.jpg"));
}

TEST(PhotoFolder, NamesInAnyEncodingAreKeptByteForByte) {
    test::TempDir dir;
    const std::string latin1 = "caf\xE9.jpg";  // not UTF-8
    dir.write(latin1, "x");
    dir.write("Åsa.jpg", "x");
    const std::vector<PhotoEntry> photos = ListPhotos(dir.path().string());
    ASSERT_EQ(photos.size(), 2u);
    for (const PhotoEntry& p : photos)
        EXPECT_TRUE(fs::exists(p.path)) << p.path;
}

TEST(PhotoFolder, AFolderThatCannotBeReadListsAsEmpty) {
    test::TempDir dir;
    EXPECT_TRUE(ListPhotos(dir.file("gone")).empty());
    EXPECT_TRUE(ListSubfolders(dir.file("gone")).empty());
    EXPECT_TRUE(ListPhotos(dir.write("file.jpg", "x")).empty());
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    fs::create_directory(dir.path() / "locked");
    dir.write("locked/a.jpg", "x");
    fs::permissions(dir.path() / "locked", fs::perms::none);
    EXPECT_TRUE(ListPhotos(dir.file("locked")).empty());
    fs::permissions(dir.path() / "locked", fs::perms::owner_all);
}

TEST(PhotoFolder, SubfoldersWithoutHiddenOnesSayWhetherTheyHaveSubfolders) {
    test::TempDir dir;
    for (const char* sub :
         {"Holiday 10", "holiday 9", "Alps/2019", "empty", ".cache/x", "only-hidden/.git"})
        fs::create_directories(dir.path() / sub);
    dir.write("photo.jpg", "x");
    const std::vector<SubfolderEntry> folders = ListSubfolders(dir.path().string());
    EXPECT_EQ(Names(folders), (std::vector<std::string>{"Alps", "empty", "holiday 9", "Holiday 10",
                                                        "only-hidden"}));
    std::vector<bool> hasSub;
    for (const SubfolderEntry& f : folders)
        hasSub.push_back(f.hasSubfolders);
    EXPECT_EQ(hasSub, (std::vector<bool>{true, false, false, false, false}));
    EXPECT_EQ(folders[0].path, dir.file("Alps"));
    EXPECT_EQ(JoinPath("/", "home"), "/home");
}

}  // namespace
}  // namespace orlavo::wizard
