// The desktop's thumbnail cache: what Orlavo writes follows the standard
// (chunks, size, permissions, a whole file under its name), caches made by
// other programs are read back, stale or hostile ones are passed over, and
// failures are remembered until the photo changes.

#include "wizard/photos/SharedThumbnails.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <zlib.h>

#include <QBuffer>
#include <QImageReader>
#include <QSignalSpy>
#include <filesystem>
#include <fstream>
#include <map>

#include "tests/photos/TestPhotos.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TempDir.h"
#include "wizard/photos/ThumbnailLoader.h"

namespace orlavo::wizard {
namespace {

namespace fs = std::filesystem;

struct Png {
    bool valid = false;  // signature, chunk lengths and every CRC
    std::vector<std::string> types;
    std::map<std::string, std::string> texts;  // of tEXt chunks
    int width = 0;
    int height = 0;
};

Png ReadPngChunks(const std::string& bytes) {
    Png png;
    if (bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        return png;
    auto be32 = [&](std::size_t at) {
        return std::uint32_t(std::uint8_t(bytes[at])) << 24 |
               std::uint32_t(std::uint8_t(bytes[at + 1])) << 16 |
               std::uint32_t(std::uint8_t(bytes[at + 2])) << 8 | std::uint8_t(bytes[at + 3]);
    };
    std::size_t at = 8;
    while (at + 12 <= bytes.size()) {
        const std::uint32_t length = be32(at);
        if (at + 12 + length > bytes.size())
            return png;
        const std::string type = bytes.substr(at + 4, 4);
        const std::string data = bytes.substr(at + 8, length);
        const auto crc =
            crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + at + 4), length + 4);
        if (crc != be32(at + 8 + length))
            return png;
        png.types.push_back(type);
        if (type == "IHDR") {
            png.width = int(be32(at + 8));
            png.height = int(be32(at + 12));
        }
        if (type == "tEXt") {
            const std::size_t nul = data.find('\0');
            png.texts[data.substr(0, nul)] = data.substr(nul + 1);
        }
        at += 12 + length;
        if (type == "IEND") {
            png.valid = at == bytes.size();
            return png;
        }
    }
    return png;
}

std::int64_t MTime(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtim.tv_sec;
}

void SetMTime(const std::string& path, std::int64_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

void WriteTo(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

mode_t Mode(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 0777;
}

// A cache root and a few photos beside it.
class SharedThumbnailsTest : public testing::Test {
protected:
    std::string root() const { return dir.file("cache/thumbnails"); }
    std::string photo(const std::string& name, const std::string& jpeg) const {
        fs::create_directories(dir.path() / "photos");
        return dir.write("photos/" + name, jpeg);
    }
    // As the loader does it: the cache first, else a decode that is kept.
    PhotoThumbnail make(const SharedThumbnails& cache, const std::string& path, int side = 92) {
        PhotoThumbnail t;
        if (cache.recall(path, 1.0, side, t))
            return t;
        t = MakeThumbnail(path, 1.0, side, nullptr, SharedThumbnails::SideFor(side));
        cache.keep(path, side, t);
        t.shareable = QImage();
        return t;
    }

    test::TempDir dir;
};

TEST_F(SharedThumbnailsTest, NamesFollowTheStandard) {
    // The standard's own example.
    EXPECT_EQ(SharedThumbnails::Md5Hex("file:///home/jens/photos/me.png"),
              "c6ee772d9e49320e97ec29a7eb5b1697");
    // GLib's escaping of a path, which every desktop's names are made of.
    EXPECT_EQ(SharedThumbnails::UriOf("/a b/\xC3\xA9t\xC3\xA9;#%?[x]~!$&'()*+,=:@.jpg"),
              "file:///a%20b/%C3%A9t%C3%A9%3B%23%25%3F%5Bx%5D~!$&'()*+,=:@.jpg");
    const int sides[][2] = {{92, 128}, {128, 128}, {129, 256}, {184, 256}, {600, 1024}, {1025, 0}};
    for (const auto& [shown, side] : sides)
        EXPECT_EQ(SharedThumbnails::SideFor(shown), side) << shown;
}

TEST_F(SharedThumbnailsTest, WhatItWritesFollowsTheStandardAndIsReadBack) {
    const SharedThumbnails cache(root(), "2.0.44.3");
    const std::string path = photo("wide photo.jpg", test::EncodeJpeg(test::Quadrants(640, 480)));
    const PhotoThumbnail first = make(cache, path);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first.decodedSize, QSize(160, 120));  // a decode at 1/4, covering 128

    const std::string file = cache.thumbnailPath(path, 128);
    EXPECT_EQ(file, root() + "/normal/" +
                        SharedThumbnails::Md5Hex("file://" + dir.file("photos/wide%20photo.jpg")) +
                        ".png");
    const Png png = ReadPngChunks(test::ReadFile(file));
    ASSERT_TRUE(png.valid);
    EXPECT_EQ(png.types.front(), "IHDR");
    EXPECT_EQ(png.width, 128);
    EXPECT_EQ(png.height, 96);
    const std::map<std::string, std::string> texts = {
        {"Thumb::URI", SharedThumbnails::UriOf(path)},
        {"Thumb::MTime", std::to_string(MTime(path))},
        {"Thumb::Size", std::to_string(fs::file_size(path))},
        {"Thumb::Mimetype", "image/jpeg"},
        {"Thumb::Image::Width", "640"},
        {"Thumb::Image::Height", "480"},
        {"Software", "Orlavo 2.0.44.3"},
        {"X-Orlavo::Decoded", "1"}};
    EXPECT_EQ(png.texts, texts);
    EXPECT_EQ(Mode(file), 0600u);
    EXPECT_EQ(Mode(root()), 0700u);
    EXPECT_EQ(Mode(root() + "/normal"), 0700u);
    // Written under another name and renamed: nothing else is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(root() + "/normal"), fs::directory_iterator()),
              1);

    // The next visit: no decode, the same picture, the photo's values from its header.
    const PhotoThumbnail again = make(cache, path);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.decodedSize, QSize(128, 96));
    EXPECT_EQ(again.width, 640);
    EXPECT_EQ(again.height, 480);
    EXPECT_EQ(again.fileSize, fs::file_size(path));
    EXPECT_FALSE(again.judgedByMarkers) << "decoded whole when it was kept";
    EXPECT_EQ(again.image.size(), QSize(92, 92));
    for (auto [x, y] : {std::pair{20.0, 30.0}, {70.0, 30.0}, {20.0, 60.0}, {70.0, 60.0}})
        EXPECT_TRUE(
            test::Near(test::ColourAt(again.image, x, y), test::ColourAt(first.image, x, y)))
            << x << "," << y;
    EXPECT_EQ(test::ColourAt(again.image, 46, 5), QColor(0x80, 0x80, 0x80));

    // A larger view at 200% takes the large size, which is made then.
    const PhotoThumbnail large = make(cache, path, 184);
    EXPECT_TRUE(large.ok());
    EXPECT_EQ(ReadPngChunks(test::ReadFile(cache.thumbnailPath(path, 256))).width, 256);
}

TEST_F(SharedThumbnailsTest, PhotosOfOtherFormatsAreKeptAndReadBackToo) {
    const SharedThumbnails cache(root(), "2.0.44.3");
    const std::string path = dir.file("photos/from a phone.png");
    fs::create_directories(dir.path() / "photos");
    ASSERT_TRUE(test::Quadrants(640, 480).save(QString::fromStdString(path), "PNG"));
    const PhotoThumbnail first = make(cache, path);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(ReadPngChunks(test::ReadFile(cache.thumbnailPath(path, 128))).width, 128);
    const PhotoThumbnail again = make(cache, path);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.decodedSize, QSize(128, 96)) << "read from the cache, not decoded";
    EXPECT_EQ(again.width, 640);
    EXPECT_EQ(again.height, 480);
}

TEST_F(SharedThumbnailsTest, CachesOfVipsthumbnailAndGnomeAreUsedWhenCurrent) {
    const SharedThumbnails cache(root(), "2.0.44.3");
    // Turned by its EXIF orientation: seen as 300 x 400.
    const std::string path =
        photo("turned.jpg", test::WithExif(test::EncodeJpeg(test::Quadrants(400, 300)), 6));
    fs::create_directories(root() + "/large");
    fs::create_directories(root() + "/normal");

    // vipsthumbnail turns the photo upright; the text chunks come after the picture.
    const std::string made = dir.file("vips.png");
    const auto vips = test::RunProgram("/usr/bin/vipsthumbnail",
                                       {path, "--size", "256x256", "-o", made}, {}, dir.path());
    ASSERT_EQ(vips.exitCode, 0) << vips.err;
    const std::string large = cache.thumbnailPath(path, 256);
    const auto set = test::RunProgram(
        "/usr/bin/convert",
        {made, "-set", "Thumb::URI", SharedThumbnails::UriOf(path), "-set", "Thumb::MTime",
         std::to_string(MTime(path)), "-set", "Software", "vipsthumbnail", large},
        {}, dir.path());
    ASSERT_EQ(set.exitCode, 0) << set.err;
    PhotoThumbnail t;
    ASSERT_TRUE(cache.recall(path, 2.0, 92, t));  // 184 device pixels: the large size
    EXPECT_EQ(t.decodedSize, QSize(192, 256));
    EXPECT_EQ(t.width, 300);
    EXPECT_EQ(t.height, 400);
    // Upright: the photo's top-left (red) is at the top right once turned.
    EXPECT_TRUE(test::Near(test::ColourAt(t.image, 60, 20), Qt::red));

    // GNOME's: RGBA, tEXt before the picture, no Thumb::Size.
    const QImage gnome = test::Quadrants(96, 128).convertToFormat(QImage::Format_ARGB32);
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(gnome.save(&buffer, "png"));
    }
    bytes = WithPngText(bytes, {{"Thumb::URI", SharedThumbnails::UriOf(path)},
                                {"Thumb::MTime", std::to_string(MTime(path))},
                                {"Software", "GNOME::ThumbnailFactory"}});
    const std::string normal = cache.thumbnailPath(path, 128);
    WriteTo(normal, bytes.toStdString());
    ASSERT_TRUE(cache.recall(path, 1.0, 92, t));
    EXPECT_EQ(t.decodedSize, QSize(96, 128));
    EXPECT_TRUE(t.judgedByMarkers) << "another program's: the photo is decoded after";

    // Stale: the photo changed since; neither is used, and GNOME's is not replaced.
    SetMTime(path, MTime(path) - 3600);
    EXPECT_FALSE(cache.recall(path, 1.0, 92, t));
    EXPECT_FALSE(cache.recall(path, 2.0, 92, t));
    cache.keep(path, 92, MakeThumbnail(path, 1.0, 92, nullptr, 128));
    EXPECT_EQ(ReadPngChunks(test::ReadFile(normal)).texts["Software"], "GNOME::ThumbnailFactory");
    EXPECT_TRUE(fs::exists(large));
}

TEST_F(SharedThumbnailsTest, StaleWrongOrHostileThumbnailsMeanADecode) {
    const SharedThumbnails cache(root(), "2.0.44.3");
    const std::string path = photo("p.jpg", test::EncodeJpeg(test::Quadrants(640, 480)));
    ASSERT_TRUE(make(cache, path).ok());
    const std::string file = cache.thumbnailPath(path, 128);
    const std::string good = test::ReadFile(file);
    PhotoThumbnail t;
    ASSERT_TRUE(cache.recall(path, 1.0, 92, t));

    auto withTexts = [&](QImage picture, std::vector<std::pair<std::string, std::string>> texts) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "png");
        return WithPngText(bytes, texts).toStdString();
    };
    const std::string uri = SharedThumbnails::UriOf(path);
    const std::string mtime = std::to_string(MTime(path));
    const std::string size = std::to_string(fs::file_size(path));
    const QImage picture = test::Quadrants(128, 96);
    const std::pair<std::string, std::string> mine = {"Software", "Orlavo 2.0.44.3"};
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"another file's",
         withTexts(picture, {{"Thumb::URI", uri + "x"}, {"Thumb::MTime", mtime}, mine})},
        {"stale", withTexts(picture, {{"Thumb::URI", uri}, {"Thumb::MTime", "1"}, mine})},
        {"another size",
         withTexts(picture,
                   {{"Thumb::URI", uri}, {"Thumb::MTime", mtime}, {"Thumb::Size", "7"}, mine})},
        {"no time", withTexts(picture, {{"Thumb::URI", uri}, mine})},
        {"not upright",
         withTexts(test::Quadrants(96, 128), {{"Thumb::URI", uri}, {"Thumb::MTime", mtime}, mine})},
        {"too small for its size",
         withTexts(test::Quadrants(64, 48), {{"Thumb::URI", uri}, {"Thumb::MTime", mtime}, mine})},
        {"too large for its size", withTexts(test::Quadrants(256, 192),
                                             {{"Thumb::URI", uri}, {"Thumb::MTime", mtime}, mine})},
        {"stale, another program's",
         withTexts(picture, {{"Thumb::URI", uri}, {"Thumb::MTime", "1"}})},
        {"cut short", good.substr(0, good.size() / 2)},
        {"not a PNG", std::string(4096, 'x')},
        {"empty", ""},
        // A header that claims 60000 x 60000 pixels.
        {"huge",
         [&] {
             std::string b = good;
             for (int at : {16, 20}) {
                 b[at] = 0;
                 b[at + 1] = 0;
                 b[at + 2] = char(0xEA);
                 b[at + 3] = char(0x60);
             }
             const auto crc = crc32(0, reinterpret_cast<const Bytef*>(b.data() + 12), 17);
             for (int i = 0; i < 4; ++i)
                 b[29 + i] = char((crc >> (24 - 8 * i)) & 0xFF);
             return b;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteTo(file, c.bytes);
        EXPECT_FALSE(cache.recall(path, 1.0, 92, t));
        // The photo's own decode serves; a thumbnail of Orlavo's is made
        // anew, anything else is left as it is.
        EXPECT_TRUE(make(cache, path).ok());
        const bool ours = c.bytes.find("Orlavo 2.0.44.3") != std::string::npos;
        EXPECT_EQ(test::ReadFile(file), ours ? good : c.bytes);
    }
    // A link to somewhere else is not followed.
    fs::remove(file);
    fs::create_symlink("/dev/zero", file);
    EXPECT_FALSE(cache.recall(path, 1.0, 92, t));
}

TEST_F(SharedThumbnailsTest, AFailureIsRememberedUntilThePhotoChanges) {
    const SharedThumbnails cache(root(), "2.0.44.3");
    const std::string jpeg = test::EncodeJpeg(test::Quadrants(640, 480));
    const std::string path = photo("cut.jpg", jpeg.substr(0, jpeg.size() / 2));
    const PhotoThumbnail first = make(cache, path);
    EXPECT_FALSE(first.ok());
    const std::string record = cache.failurePath(path);
    EXPECT_EQ(record.substr(0, record.rfind('/')), root() + "/fail/orlavo-2.0.44.3");
    const Png png = ReadPngChunks(test::ReadFile(record));
    ASSERT_TRUE(png.valid);
    EXPECT_EQ(png.texts.at("Thumb::URI"), SharedThumbnails::UriOf(path));
    EXPECT_EQ(png.texts.at("Thumb::MTime"), std::to_string(MTime(path)));
    EXPECT_EQ(Mode(record), 0600u);

    PhotoThumbnail t;
    ASSERT_TRUE(cache.recall(path, 1.0, 92, t));
    EXPECT_FALSE(t.ok());
    EXPECT_EQ(t.refusal, first.refusal);
    // Mended: the new time means a new try, which now succeeds.
    WriteTo(path, jpeg);
    SetMTime(path, MTime(path) + 10);
    EXPECT_FALSE(cache.recall(path, 1.0, 92, t));
    EXPECT_TRUE(make(cache, path).ok());
}

TEST_F(SharedThumbnailsTest, PrivateFoldersAndTheCacheItselfAreNotShared) {
    const SharedThumbnails cache(root(), "1");
    EXPECT_TRUE(cache.shareable("/home/u/Pictures/a.jpg"));
    EXPECT_FALSE(cache.shareable("/home/u/.private/a.jpg"));
    EXPECT_FALSE(cache.shareable("/home/u/Pictures/.hidden.jpg"));
    EXPECT_FALSE(cache.shareable(root() + "/normal/x.png"));
    EXPECT_FALSE(cache.shareable("relative/a.jpg"));
}

TEST_F(SharedThumbnailsTest, TheLoaderUsesTheCacheWhenGivenOne) {
    std::vector<std::string> paths;
    for (int i = 0; i < 4; ++i)
        paths.push_back(photo("p" + std::to_string(i) + ".jpg",
                              test::EncodeJpeg(test::Quadrants(640 + i * 8, 480))));
    ThumbnailLoader loader(nullptr, 2);
    auto cache = std::make_shared<const SharedThumbnails>(root(), "9");
    for (int visit = 0; visit < 3; ++visit) {
        // The third visit does without the cache: decodes again.
        loader.setSharedThumbnails(visit < 2 ? cache : nullptr);
        std::vector<QSize> decoded(paths.size());
        QObject::connect(&loader, &ThumbnailLoader::thumbnailReady, &loader,
                         [&](std::size_t i, const PhotoThumbnail& t) {
                             decoded[i] = t.decodedSize;
                             EXPECT_TRUE(t.shareable.isNull());
                         });
        QSignalSpy finished(&loader, &ThumbnailLoader::finished);
        loader.start(paths, 1.0);
        ASSERT_TRUE(finished.wait(20000));
        QObject::disconnect(&loader, &ThumbnailLoader::thumbnailReady, &loader, nullptr);
        for (std::size_t i = 0; i < paths.size(); ++i)
            EXPECT_EQ(decoded[i].width(), visit == 1 ? 128 : 160 + int(i) * 2) << visit;
    }
}

}  // namespace
}  // namespace orlavo::wizard
