// The background loader: every photo once, bad files reported as such, the
// photos asked for first, and a new run that leaves nothing of the old one.

#include "wizard/photos/ThumbnailLoader.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <set>

#include "tests/photos/TestPhotos.h"
#include "tests/support/TempDir.h"

namespace orlavo::wizard {
namespace {

// COUNT photos of W x H in DIR, named by PREFIX; every FAULTY-th one is cut short.
std::vector<std::string> WritePhotos(const test::TempDir& dir, const std::string& prefix, int count,
                                     int w, int h, int faulty = 0) {
    const std::string jpeg = test::EncodeJpeg(test::Quadrants(w, h));
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        const bool cut = faulty > 0 && i % faulty == 0;
        paths.push_back(dir.write(prefix + std::to_string(i) + ".jpg",
                                  cut ? jpeg.substr(0, jpeg.size() / 2) : jpeg));
    }
    return paths;
}

struct Seen {
    std::size_t index;
    PhotoThumbnail thumbnail;
};

// Collects what the loader hands out until it finishes (or TIMEOUT passes).
std::vector<Seen> Collect(ThumbnailLoader& loader, int timeoutMs = 20000) {
    std::vector<Seen> seen;
    QObject::connect(&loader, &ThumbnailLoader::thumbnailReady, &loader,
                     [&](std::size_t i, const PhotoThumbnail& t) {
                         seen.push_back({i, t});
                     });
    QSignalSpy finished(&loader, &ThumbnailLoader::finished);
    finished.wait(timeoutMs);
    QObject::disconnect(&loader, &ThumbnailLoader::thumbnailReady, &loader, nullptr);
    return seen;
}

TEST(ThumbnailLoader, ReportsEveryPhotoOnceThenFinishes) {
    test::TempDir dir;
    const std::vector<std::string> paths = WritePhotos(dir, "p", 24, 120, 90, 5);
    ThumbnailLoader loader(nullptr, 2);
    loader.start(paths, 1.0);
    EXPECT_TRUE(loader.running());
    const std::vector<Seen> seen = Collect(loader);
    EXPECT_FALSE(loader.running());
    ASSERT_EQ(seen.size(), paths.size());
    std::set<std::size_t> indices;
    for (const Seen& s : seen) {
        indices.insert(s.index);
        EXPECT_EQ(s.thumbnail.ok(), s.index % 5 != 0) << s.index;
        if (s.thumbnail.ok()) {
            EXPECT_EQ(s.thumbnail.width, 120);
        }
    }
    EXPECT_EQ(indices.size(), paths.size());
    // An empty folder starts nothing.
    loader.start({}, 1.0);
    EXPECT_FALSE(loader.running());
}

TEST(ThumbnailLoader, PhotosShownByTheirExifThumbnailAreDecodedAfterAndRefusedIfDamaged) {
    test::TempDir dir;
    const std::string whole = test::WithExif(test::EncodeJpeg(test::Quadrants(1024, 768)), 1,
                                             test::EncodeJpeg(test::Quadrants(160, 120)));
    const std::vector<std::string> paths = {dir.write("whole.jpg", whole),
                                            dir.write("cut.jpg", test::CutWithEndMarker(whole))};
    EXPECT_EQ(CheckPhotoWhole(paths[0]).refusal, PhotoRefusal::None);
    EXPECT_EQ(CheckPhotoWhole(paths[1]).refusal, PhotoRefusal::Damaged);

    ThumbnailLoader loader(nullptr, 2);
    std::vector<Seen> seen;
    QObject::connect(&loader, &ThumbnailLoader::thumbnailReady, &loader,
                     [&](std::size_t i, const PhotoThumbnail& t) {
                         seen.push_back({i, t});
                     });
    loader.start(paths, 1.0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() >= 3; }, 20000));
    QTest::qWait(300);
    // Photo by photo, in the order each was reported.
    std::vector<PhotoThumbnail> of[2];
    for (const Seen& s : seen)
        of[s.index].push_back(s.thumbnail);
    ASSERT_EQ(of[0].size(), 1u) << "the whole photo is not reported again";
    ASSERT_EQ(of[1].size(), 2u);
    for (const PhotoThumbnail* first : {&of[0][0], &of[1][0]}) {
        EXPECT_TRUE(first->ok()) << "both shown first by their EXIF thumbnail";
        EXPECT_TRUE(first->fromExif);
    }
    EXPECT_EQ(of[1][1].refusal, PhotoRefusal::Damaged);
    EXPECT_EQ(of[1][1].width, 1024);
}

TEST(ThumbnailLoader, MakesThePhotosAskedForFirst) {
    test::TempDir dir;
    const std::vector<std::string> paths = WritePhotos(dir, "p", 12, 120, 90);
    ThumbnailLoader loader(nullptr, 1);
    loader.start(paths, 1.0, {9, 7, 42});
    const std::vector<Seen> seen = Collect(loader);
    ASSERT_EQ(seen.size(), paths.size());
    std::vector<std::size_t> order;
    for (const Seen& s : seen)
        order.push_back(s.index);
    EXPECT_EQ(order, (std::vector<std::size_t>{9, 7, 0, 1, 2, 3, 4, 5, 6, 8, 10, 11}));
}

TEST(ThumbnailLoader, ANewRunLeavesNothingOfTheOldOne) {
    test::TempDir dir;
    const std::vector<std::string> landscape = WritePhotos(dir, "l", 60, 800, 600);
    const std::vector<std::string> portrait = WritePhotos(dir, "p", 6, 60, 80);
    ThumbnailLoader loader;
    QSignalSpy finished(&loader, &ThumbnailLoader::finished);
    // No report is handed over before the event loop runs: the first run is
    // surely under way when the second starts.
    loader.start(landscape, 1.0);
    loader.start(portrait, 1.0);
    const std::vector<Seen> seen = Collect(loader);
    ASSERT_EQ(seen.size(), portrait.size());
    for (const Seen& s : seen)
        EXPECT_EQ(s.thumbnail.width, 60);
    EXPECT_EQ(finished.count(), 1);
    // Stopped, it hands out nothing more, and ends cleanly while workers run.
    loader.start(landscape, 1.0);
    loader.stop();
    EXPECT_FALSE(loader.running());
    QSignalSpy late(&loader, &ThumbnailLoader::thumbnailReady);
    EXPECT_FALSE(late.wait(300));
    loader.start(landscape, 2.0);
}

// Sanitizers keep freed memory aside, so the resident peak says little there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

TEST(ThumbnailLoader, BrowsingFoldersOfHostileFilesStaysUnderFourHundredMegabytes) {
    // Pictures whose decode would take gigabytes, a photo carrying one as its
    // EXIF thumbnail, half a gigabyte of zeros, a photo cut in half with an
    // end marker, and two good photos; in two folders, opened in turn.
    const std::string good = test::EncodeJpeg(test::Quadrants(400, 300));
    struct File {
        const char* name;
        std::string bytes;
        bool photo;
    };
    const std::vector<File> files = {
        {"bomb-16384.jpg", test::ProgressiveBomb(16384), false},
        {"bomb-32768.jpg", test::ProgressiveBomb(32768), false},
        {"exif-bomb.jpg",
         test::WithExif(test::EncodeJpeg(test::Filled(800, 800, Qt::red)), 1,
                        test::ProgressiveBomb(16384)),
         true},
        {"cut.jpg", test::CutWithEndMarker(test::EncodeJpeg(test::Quadrants(1600, 1200), 95)),
         false},
        {"good-1.jpg", good, true},
        {"good-2.jpg", good, true},
    };
    test::TempDir first, second;
    std::vector<std::string> folders[2];
    std::vector<bool> isPhoto;
    for (const File& f : files) {
        folders[0].push_back(first.write(f.name, f.bytes));
        folders[1].push_back(second.write(f.name, f.bytes));
        isPhoto.push_back(f.photo);
    }
    for (int i = 0; i < 2; ++i) {
        const test::TempDir& dir = i == 0 ? first : second;
        folders[i].push_back(
            test::WriteSparseJpeg(dir.file("zeros.jpg"), good, std::uint64_t(500) << 20));
    }
    isPhoto.push_back(false);

    std::vector<Seen> seen;
    {
        ThumbnailLoader loader(nullptr, 2);
        for (int change = 0; change < 4; ++change)
            loader.start(folders[change % 2], 1.0);
        seen = Collect(loader, 120000);
    }
    ASSERT_EQ(seen.size(), isPhoto.size());
    for (const Seen& s : seen) {
        EXPECT_EQ(s.thumbnail.ok(), isPhoto[s.index]) << folders[1][s.index];
        if (s.index < 2) {
            EXPECT_EQ(s.thumbnail.refusal, PhotoRefusal::TooLarge);
        }
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const long peakMiB = usage.ru_maxrss / 1024;
    if (!kSanitized) {
        EXPECT_LT(peakMiB, 400);
    }
    std::printf("peak resident memory: %ld MiB\n", peakMiB);
}

}  // namespace
}  // namespace orlavo::wizard
