#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/VersionText.h"
#include "platform/FileVersion.h"
#include "platform/ResourceBundle.h"
#include "resources/WizardResources.h"

using namespace orlavo;
namespace fs = std::filesystem;

namespace {

const std::string kProgramVersion = ProgramVersionText("2, 0, 44, 3");

std::string Bundle(const std::string& version) {
    return std::string(ORLAVO_TEST_BUNDLES) + "/" + version + "/Resources.rcc";
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string WriteTemp(const std::string& name, const std::string& bytes) {
    auto path = fs::temp_directory_path() / ("orlavo-" + std::to_string(getpid()) + "-" + name);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path.string();
}

ResourceSet WizardSet() {
    return ResourceSet(wizard::BuiltinStringText(), ":/wizard");
}

}  // namespace

TEST(ResourceBundle, BuiltBundlesCarryTheirFileVersion) {
    EXPECT_EQ(ReadFileVersion(Bundle("2.1.44.0")), "2, 1, 44, 0");
    EXPECT_EQ(ReadFileVersion(Bundle("2.0.45.3")), "2, 0, 45, 3");
    auto bundle = ResourceBundle::Open(Bundle("2.1.44.0"));
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->fileVersion(), "2, 1, 44, 0");
}

TEST(ResourceBundle, AcceptedBundleReplacesTheStringsAsAWhole) {
    ResourceSet set = WizardSet();
    EXPECT_EQ(set.str(111), "Cancel");
    EXPECT_EQ(set.load(Bundle("2.1.44.0"), kProgramVersion, true), BundleCheck::Accepted);
    EXPECT_TRUE(set.usingBundle());
    EXPECT_EQ(set.str(111), "Abbrechen");
    EXPECT_EQ(set.str(146),
              "Zur\xC3\xBC"
              "ck");
    // Not in the bundle: empty, not the English "Continue".
    EXPECT_EQ(set.str(147), "");
    auto icon = set.file("icons/128.png");
    ASSERT_TRUE(icon);
    EXPECT_EQ(*icon, ReadAll(fs::path(ORLAVO_SOURCE_DIR) / "tests/data/bundle/icons/128.png"));
    EXPECT_FALSE(set.file("icons/999.png"));

    set.reset();
    EXPECT_EQ(set.str(147), "Continue");
}

TEST(ResourceBundle, OtherThirdNumberIsRefused) {
    ResourceSet set = WizardSet();
    EXPECT_EQ(set.load(Bundle("2.0.45.3"), kProgramVersion, true), BundleCheck::WrongVersion);
    EXPECT_FALSE(set.usingBundle());
    EXPECT_EQ(set.str(111), "Cancel");
    EXPECT_EQ(set.str(182), "Wrong Resources.dll version");
    EXPECT_FALSE(set.file("icons/128.png") ==
                 ReadAll(fs::path(ORLAVO_SOURCE_DIR) / "tests/data/bundle/icons/128.png"));
}

TEST(ResourceBundle, VersionWithTwoPointsIsRefused) {
    ResourceSet set = WizardSet();
    EXPECT_EQ(set.load(Bundle("2.0.44"), kProgramVersion, true), BundleCheck::WrongVersion);
    EXPECT_EQ(set.str(111), "Cancel");
}

TEST(ResourceBundle, UpdaterTakesItsBundleWithoutAVersionCheck) {
    ResourceSet set = WizardSet();
    EXPECT_EQ(set.load(Bundle("2.0.45.3"), kProgramVersion, false), BundleCheck::Accepted);
    EXPECT_EQ(set.str(111), "Abbrechen");
}

TEST(ResourceBundle, MissingOrForeignFileLeavesTheCompiledInSet) {
    const std::string real = ReadAll(Bundle("2.1.44.0"));
    ASSERT_GT(real.size(), 64u);
    const std::vector<std::string> notBundles = {
        WriteTemp("text.rcc", "Just a text file.\n"),
        WriteTemp("photo.rcc", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10)),
        WriteTemp("empty.rcc", ""),
        WriteTemp("header.rcc", real.substr(0, 20)),
        WriteTemp("half.rcc", real.substr(0, real.size() / 2)),
    };
    for (const std::string& path : notBundles) {
        ResourceSet set = WizardSet();
        EXPECT_EQ(set.load(path, kProgramVersion, false), BundleCheck::Missing) << path;
        EXPECT_FALSE(set.usingBundle());
        EXPECT_EQ(set.str(111), "Cancel");
        fs::remove(path);
    }
    ResourceSet set = WizardSet();
    EXPECT_EQ(set.load("/nonexistent/Resources.rcc", kProgramVersion, true), BundleCheck::Missing);
    EXPECT_EQ(set.str(147), "Continue");
}

TEST(ResourceBundle, GermanExampleBundleIsAcceptedByThisBuild) {
    const std::string de = std::string(ORLAVO_BUNDLES_DIR) + "/de/Resources.rcc";
    auto version = ReadFileVersion(de);
    ASSERT_TRUE(version);
    // Every program of a build carries its version; orlavo-order is built with the headless tests.
    EXPECT_EQ(*version,
              ReadFileVersion(std::string(ORLAVO_BIN_DIR) + "/orlavo-order").value_or("?"));
    ResourceSet set = WizardSet();
    ASSERT_EQ(set.load(de, ProgramVersionText(*version), true), BundleCheck::Accepted);
    EXPECT_EQ(set.str(147), "Weiter");
    EXPECT_EQ(set.str(1128), "Zoomen und Zuschneiden");
    auto icon = set.file("icons/128.png");
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->rfind("\x89PNG", 0), 0u);
}

TEST(ResourceBundle, DamagedBundleNeverCrashes) {
    // Every byte of a real bundle spoilt in turn: each result is refused or
    // read safely, never trusted into a crash.
    const std::string real = ReadAll(Bundle("2.1.44.0"));
    ASSERT_FALSE(real.empty());
    int refused = 0;
    for (std::size_t i = 0; i < real.size(); ++i) {
        for (char spoil : {'\xFF', '\x00', '\x7F'}) {
            if (real[i] == spoil)
                continue;
            std::string bytes = real;
            bytes[i] = spoil;
            const std::string path = WriteTemp("spoilt.rcc", bytes);
            ResourceSet set = WizardSet();
            BundleCheck check = set.load(path, kProgramVersion, false);
            if (check == BundleCheck::Missing) {
                ++refused;
                EXPECT_EQ(set.str(111), "Cancel");
            } else {
                set.str(111);
                set.file("icons/128.png");
            }
        }
    }
    EXPECT_GT(refused, 0);
    fs::remove(fs::temp_directory_path() / ("orlavo-" + std::to_string(getpid()) + "-spoilt.rcc"));
}
