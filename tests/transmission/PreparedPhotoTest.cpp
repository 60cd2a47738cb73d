#include "wizard/transmission/PreparedPhoto.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/photos/TestPhotos.h"
#include "tests/support/PhotoSamples.h"
#include "tests/support/TempDir.h"
#include "tests/transmission/JpegSamples.h"
#include "wizard/photos/JpegInfo.h"
#include "wizard/photos/JpegLocation.h"

namespace orlavo::transmission {
namespace {

namespace fs = std::filesystem;

int Mode(const fs::path& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        names.push_back(e.path().filename().string());
    return names;
}

TEST(PreparedPhoto, AnUntouchedPhotoGoesAsItIsAndATurnedOneIsWrittenPrivatelyForTheSend) {
    test::TempDir dir;
    const std::string jpeg = test::Encode(test::Pattern(640, 480), TJSAMP_420);
    const std::string source = dir.write("Holiday 01.jpg", jpeg);
    const fs::path parent = dir.path() / "sending";
    SendFolder folder(parent.string());

    const PreparedPhoto same = PreparePhoto(folder, source, {}, 1);
    ASSERT_TRUE(same.ok()) << same.problem;
    EXPECT_EQ(same.path, source);
    EXPECT_EQ(same.size, jpeg.size());
    EXPECT_FALSE(same.written);
    EXPECT_TRUE(folder.path().empty()) << "no folder for a photo sent as it is";

    const PreparedPhoto turned = PreparePhoto(folder, source, {90, {}}, 3);
    ASSERT_TRUE(turned.ok()) << turned.problem;
    EXPECT_TRUE(turned.written);
    EXPECT_EQ(fs::path(turned.path).parent_path(), fs::path(folder.path()));
    EXPECT_EQ(fs::path(turned.path).filename(), "photo-3.jpg");
    EXPECT_EQ(Mode(parent), 0700);
    EXPECT_EQ(Mode(folder.path()), 0700);
    EXPECT_EQ(Mode(turned.path), 0600);
    EXPECT_EQ(turned.size, fs::file_size(turned.path));
    std::ifstream in(turned.path, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), {});
    const test::Pixels decoded = test::Decode(written);
    EXPECT_EQ(decoded.width, 480);
    EXPECT_EQ(decoded.height, 640);

    Release(turned);
    EXPECT_FALSE(fs::exists(turned.path));
    const std::string made = folder.path();
    folder.remove();
    EXPECT_FALSE(fs::exists(made));
    EXPECT_TRUE(Names(parent).empty()) << "neither the folder nor its lock file is left";
}

TEST(PreparedPhoto, APhotoThatCannotBePreparedIsNamedWithTheReason) {
    test::TempDir dir;
    const std::string jpeg = test::Encode(test::Pattern(640, 480), TJSAMP_420);
    const std::string cut = dir.write("cut.jpg", jpeg.substr(0, jpeg.size() / 3));
    SendFolder folder((dir.path() / "sending").string());
    for (const std::string& path : {cut, dir.file("gone.jpg")}) {
        const PreparedPhoto p = PreparePhoto(folder, path, {90, {}}, 1);
        EXPECT_FALSE(p.ok());
        EXPECT_NE(p.problem.find(path), std::string::npos) << p.problem;
    }
    EXPECT_NE(PreparePhoto(folder, cut, {90, {}}, 1).problem.find("cut short"), std::string::npos);
}

TEST(PreparedPhoto, TheFolderOfASendWhoseProcessDiedIsSweptAndALiveOneIsLeft) {
    test::TempDir dir;
    const std::string source = dir.write("a.jpg", test::Encode(test::Pattern(64, 48), TJSAMP_420));
    const fs::path parent = dir.path() / "sending";

    // A send that dies the hard way, with its prepared photo in its folder.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SendFolder dying(parent.string());
        const bool ok = PreparePhoto(dying, source, {90, {}}, 1).ok();
        ::_exit(ok ? 0 : 1);  // before any destructor
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(Names(parent).size(), 2u) << "the dead send's folder and its lock file";

    SendFolder live(parent.string());
    ASSERT_EQ(live.ensure(), "");  // sweeps as it starts
    std::vector<std::string> left = Names(parent);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_TRUE(fs::exists(live.path()));

    // Another start while this send runs leaves it alone.
    EXPECT_EQ(SweepSendFolders(parent.string()), 0);
    EXPECT_TRUE(fs::exists(live.path()));
    live.remove();
    EXPECT_TRUE(Names(parent).empty());
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

bool HasLocation(const std::string& jpeg) {
    return wizard::JpegHasLocation(reinterpret_cast<const unsigned char*>(jpeg.data()),
                                   jpeg.size());
}

std::string ScanData(const std::string& jpeg) {
    const wizard::JpegInfo info =
        wizard::ReadJpegInfo(reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size());
    return jpeg.substr(info.scanOffset);
}

TEST(PreparedPhoto, OnlyAPhotoThatSaysWhereItWasTakenIsRewrittenToLoseIt) {
    test::TempDir dir;
    const QImage picture = test::Quadrants(320, 240);
    const std::string plain = dir.write(
        "plain.jpg",
        test::JpegBytes(picture, test::PhoneExif(false, 6, false), test::PhoneXmp(false)));
    const std::string located =
        dir.write("located.jpg",
                  test::JpegBytes(picture, test::PhoneExif(false, 6, true), test::PhoneXmp(true)));
    SendFolder folder((dir.path() / "sending").string());
    PhotoWork remove;
    remove.removeLocation = true;

    const PreparedPhoto same = PreparePhoto(folder, plain, remove, 1);
    ASSERT_TRUE(same.ok()) << same.problem;
    EXPECT_EQ(same.path, plain);
    EXPECT_FALSE(same.written);

    const PreparedPhoto without = PreparePhoto(folder, located, remove, 2);
    ASSERT_TRUE(without.ok()) << without.problem;
    ASSERT_TRUE(without.written);
    const std::string sent = Read(without.path);
    EXPECT_EQ(without.size, sent.size());
    EXPECT_FALSE(HasLocation(sent));
    EXPECT_EQ(ScanData(sent), ScanData(Read(located))) << "the picture goes byte for byte";

    // Turned as well: still without it.
    PhotoWork turned = remove;
    turned.turn = 90;
    const PreparedPhoto both = PreparePhoto(folder, located, turned, 3);
    ASSERT_TRUE(both.ok()) << both.problem;
    EXPECT_FALSE(HasLocation(Read(both.path)));

    // The setting off: the photo goes as it is, location and all.
    const PreparedPhoto kept = PreparePhoto(folder, located, {}, 4);
    EXPECT_EQ(kept.path, located);

    // Another format is made into a JPEG without it.
    PhotoWork convert = remove;
    convert.convert = true;
    const std::string png =
        dir.write("shared.png", test::PngBytes(picture, test::PhoneExif(true, 1, true)));
    const PreparedPhoto made = PreparePhoto(folder, png, convert, 5);
    ASSERT_TRUE(made.ok()) << made.problem;
    EXPECT_EQ(fs::path(made.path).filename(), "photo-5.jpg");
    const std::string jpeg = Read(made.path);
    EXPECT_TRUE(
        wizard::ReadJpegInfo(reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size())
            .complete);
    EXPECT_FALSE(HasLocation(jpeg));
}

}  // namespace
}  // namespace orlavo::transmission
