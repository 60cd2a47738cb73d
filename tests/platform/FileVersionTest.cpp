#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/FileVersion.h"
#include "tests/support/TempDir.h"

using namespace orlavo;

namespace {
std::string BinDir() {
    return ORLAVO_BIN_DIR;
}
std::string Write(const test::TempDir& dir, const std::string& name, const std::string& bytes) {
    std::string path = dir.file(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}
}  // namespace

TEST(ReadFileVersion, ReadsTheVersionOfTheBuiltPrograms) {
    auto v = ReadFileVersion(BinDir() + "/OrlavoW");
    ASSERT_TRUE(v);
    EXPECT_EQ(*v, "2, 0, 44, 3");
    EXPECT_EQ(ReadFileVersion(BinDir() + "/Halvane"), v);
}

TEST(ReadFileVersion, FilesWithoutVersionGiveNothing) {
    test::TempDir dir;
    EXPECT_FALSE(ReadFileVersion("/nonexistent/OrlavoW"));
    EXPECT_FALSE(ReadFileVersion(Write(dir, "plain.txt", "just some text, 2, 0, 44, 3\n")));
    EXPECT_FALSE(ReadFileVersion(Write(dir, "photo.jpg", std::string("\xFF\xD8\xFF\xE0", 4))));
    // This test program links the reader but carries no version of its own.
    EXPECT_FALSE(OwnFileVersion());
}

TEST(ReadFileVersion, FindsABlockAnywhereInTheFile) {
    test::TempDir dir;
    std::string block = std::string(1, '\x01') + "OrlavoFileVersion" + '\x02' + "3, 1, 7, 9" + '\0';
    std::string bytes(3 * (1 << 20) - 10, 'x');
    bytes += block + "tail";
    EXPECT_EQ(ReadFileVersion(Write(dir, "big.bin", bytes)), "3, 1, 7, 9");
    // Bundles end the text with a line feed.
    EXPECT_EQ(ReadFileVersion(
                  Write(dir, "bundle.rcc", "xx" + block.substr(0, block.size() - 1) + "\nyy")),
              "3, 1, 7, 9");
}
