#include <gtest/gtest.h>

#include <set>

#include "common/StartArguments.h"

using namespace orlavo;

namespace {

// A file system of a few names: files, and one folder.
const std::set<std::string> kFiles = {"/home/u/a.jpg", "/home/u/Branch12", "/home/u/b c.jpg", "/x"};
const std::set<std::string> kFolders = {"/home/u/Pictures"};

StartArguments Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "OrlavoW");
    return ParseStartArguments(
        args, "/home/u", [](const std::string& p) { return kFiles.count(p) > 0; },
        [](const std::string& p) { return kFiles.count(p) > 0 || kFolders.count(p) > 0; });
}

}  // namespace

TEST(StartArguments, ProfileAndFilesAsTheCommandLineGivesThem) {
    struct Case {
        std::vector<std::string> args;
        std::string profile;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {{}, "", {}},
        // The old rule: the first argument that is not a switch is the profile.
        {{"-x", "/y", "Shop7", "Other"}, "Shop7", {"/home/u/Other"}},
        {{"--style", "fusion"}, "fusion", {}},
        // A first argument naming a file is a file, even if it could be a profile.
        {{"a.jpg"}, "", {"/home/u/a.jpg"}},
        {{"Branch12"}, "", {"/home/u/Branch12"}},
        {{"/home/u/a.jpg", "b c.jpg"}, "", {"/home/u/a.jpg", "/home/u/b c.jpg"}},
        // A folder is no file: as first argument it names a profile.
        {{"Pictures", "a.jpg"}, "Pictures", {"/home/u/a.jpg"}},
        {{"Shop7", "/home/u/a.jpg", "gone.jpg"}, "Shop7", {"/home/u/a.jpg", "/home/u/gone.jpg"}},
        // A path that is gone is still a file, to be named as one that cannot be read.
        {{"/home/u/gone.jpg"}, "", {"/home/u/gone.jpg"}},
        // "/x" exists here, so it is a path; "/y" does not and stays a switch.
        {{"/x", "/y"}, "", {"/x"}},
        {{"file:///home/u/b%20c.jpg"}, "", {"/home/u/b c.jpg"}},
        {{"Shop7", "file://localhost/home/u/a.jpg"}, "Shop7", {"/home/u/a.jpg"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const StartArguments parsed = Parse(c.args);
        EXPECT_EQ(parsed.profile, c.profile);
        EXPECT_EQ(parsed.files, c.files);
    }
}

TEST(StartArguments, OnlyAddressesOfThisComputerArePaths) {
    EXPECT_EQ(LocalPathOfFileUri("file:///tmp/%C3%A9t%C3%A9.jpg"), "/tmp/\xC3\xA9t\xC3\xA9.jpg");
    EXPECT_EQ(LocalPathOfFileUri("file://server/share/a.jpg"), "");
    EXPECT_EQ(LocalPathOfFileUri("https://example.com/a.jpg"), "");
    EXPECT_EQ(LocalPathOfFileUri("file:///a%2"), "");
    EXPECT_EQ(LocalPathOfFileUri("file:///a%zz"), "");
    EXPECT_EQ(LocalPathOfFileUri("file:///a%00b"), "");
}
