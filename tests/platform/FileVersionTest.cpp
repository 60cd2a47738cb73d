#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/FileVersion.h"

using namespace orlavo;

namespace {
std::string BinDir() { return ORLAVO_BIN_DIR; }
std::string Write(const std::string& name, const std::string& bytes) {
    auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}
}  // namespace

TEST(ReadFileVersion, ReadsTheVersionOfTheBuiltPrograms) {
    auto v = ReadFileVersion(BinDir() + "/OrlavoW");
    ASSERT_TRUE(v);
    EXPECT_EQ(*v, "2, 0, 44, 3");
    EXPECT_EQ(ReadFileVersion(BinDir() + "/Halvane"), v);
}

TEST(ReadFileVersion, FilesWithoutVersionGiveNothing) {
    EXPECT_FALSE(ReadFileVersion("/nonexistent/OrlavoW"));
    EXPECT_FALSE(ReadFileVersion(Write("orlavo_plain.txt", "just some text, 2, 0, 44, 3\n")));
    EXPECT_FALSE(ReadFileVersion(Write("orlavo_photo.jpg", std::string("\xFF\xD8\xFF\xE0", 4))));
    // This test program links the reader but carries no version of its own.
    EXPECT_FALSE(OwnFileVersion());
}

TEST(ReadFileVersion, FindsABlockAnywhereInTheFile) {
    std::string block = std::string(1, '\x01') + "OrlavoFileVersion" + '\x02' + "3, 1, 7, 9" + '\0';
    std::string bytes(3 * (1 << 20) - 10, 'x');
    bytes += block + "tail";
    EXPECT_EQ(ReadFileVersion(Write("orlavo_big.bin", bytes)), "3, 1, 7, 9");
}
