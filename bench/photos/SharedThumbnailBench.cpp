// Step 1 opening a folder of 12-megapixel photos with the desktop's shared
// thumbnail cache: the first visit (every photo decoded, its thumbnail
// written to the cache) and the next visit (every thumbnail read back from
// the cache), each on the photo page itself until every thumbnail is shown.
//
//   bench_shared_thumbnails [--photos N] [--runs N] [--corpus DIR] [--rows FILE]
//
// The photos are links to a few distinct pictures (the cache knows a photo
// by its path, a decode costs the same): N of them are made quickly.

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/BenchRows.h"
#include "bench/support/QuietEffects.h"
#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "tests/photos/TestPhotos.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/app/StepPages.h"
#include "wizard/photos/ThumbnailLoader.h"
#include "wizard/photos/ui/CSelectImagePage.h"
#include "wizard/photos/ui/FolderModel.h"

namespace fs = std::filesystem;
using namespace orlavo::wizard;

namespace {

constexpr int kPictures = 6;

// A 12-megapixel picture with a photo's grain, so that it decodes as one.
QImage Grainy(std::uint32_t seed) {
    QImage image(4000, 3000, QImage::Format_RGB32);
    std::uint32_t noise = seed * 2654435761u + 1;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int g = int((noise >> 24) % 41) - 20;
            line[x] =
                qRgb(std::clamp(90 + int(seed) * 20 + g, 0, 255),
                     std::clamp(140 + y / 40 + g, 0, 255), std::clamp(200 - x / 40 + g, 0, 255));
        }
    }
    return image;
}

// COUNT photos in FOLDER: hard links to a few pictures beside it (copies
// where links cannot be made), so that a thousand take little room.
std::vector<std::string> MakePhotos(const fs::path& folder, int count) {
    fs::create_directories(folder);
    std::vector<fs::path> sources;
    for (int k = 0; k < kPictures; ++k) {
        const fs::path source = folder.parent_path() / ("source-" + std::to_string(k) + ".jpg");
        if (!fs::exists(source)) {
            const std::string bytes = orlavo::test::EncodeJpeg(Grainy(std::uint32_t(k + 1)), 90);
            std::ofstream(source, std::ios::binary)
                .write(bytes.data(), std::streamsize(bytes.size()));
        }
        sources.push_back(source);
    }
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        const fs::path p = folder / ("photo_" + std::to_string(10000 + i) + ".jpg");
        paths.push_back(p.string());
        std::error_code ec;
        if (fs::exists(p, ec))
            continue;
        fs::create_hard_link(sources[std::size_t(i % kPictures)], p, ec);
        if (ec)
            fs::copy_file(sources[std::size_t(i % kPictures)], p, ec);
    }
    return paths;
}

// Opens FOLDER on the page; seconds until every thumbnail is shown.
double VisitSeconds(CSelectImagePage& page, const fs::path& folder, const fs::path& away) {
    page.openFolder(away.string());
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    QSignalSpy finished(page.loader(), &ThumbnailLoader::finished);
    page.openFolder(folder.string());
    if (page.loader()->running())
        finished.wait(600000);
    QApplication::processEvents();
    const double s = double(timer.nsecsElapsed()) / 1e9;
    int known = 0;
    for (int i = 0; i < page.folderModel()->count(); ++i)
        known += page.folderModel()->item(std::size_t(i)).known ? 1 : 0;
    if (known != page.folderModel()->count())
        std::printf("  (only %d of %d thumbnails made)\n", known, page.folderModel()->count());
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const std::string rowsFile = orlavo::bench::TakeRowsOption(argc, argv);
    int photos = 1000, runs = 3;
    std::string corpus;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--photos")
            photos = std::max(2, std::atoi(argv[i + 1]));
        else if (a == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--corpus")
            corpus = argv[i + 1];
    }
    QTemporaryDir temp;
    const fs::path root =
        fs::absolute(corpus.empty() ? fs::path(temp.path().toStdString()) : fs::path(corpus));
    qputenv("ORLAVO_REGISTRY", temp.filePath("registry.sqlite3").toUtf8());
    const fs::path folder = root / ("shared-" + std::to_string(photos));
    const fs::path away = root / "away";
    fs::create_directories(away);
    std::printf("Making %d photos in %s ...\n", photos, folder.string().c_str());
    std::fflush(stdout);
    MakePhotos(folder, photos);

    orlavo::bench::QuietEffects effects;
    CWizardApp app({"bench_shared_thumbnails", "Bench"}, effects, {}, MakeStepPage);
    if (!app.StartUp())
        return 1;
    auto* page = qobject_cast<CSelectImagePage*>(app.sheet()->page(0));
    QSignalSpy started(page, &CSelectImagePage::started);
    app.sheet()->show();
    started.wait(10000);

    std::vector<double> first, warm, unshared;
    for (int r = 0; r < runs; ++r) {
        // A cache of its own each round: the first visit finds it empty.
        const std::string cache = temp.filePath("cache-" + QString::number(r)).toStdString();
        qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(cache));
        app.registry().setNumber(orlavo::section::kSettings, "ShareThumbnails", 0);
        unshared.push_back(VisitSeconds(*page, folder, away));
        app.registry().setNumber(orlavo::section::kSettings, "ShareThumbnails", 1);
        first.push_back(VisitSeconds(*page, folder, away));
        warm.push_back(VisitSeconds(*page, folder, away));
        std::printf("round %d: without sharing %.2f s, first visit %.2f s, next visit %.2f s\n",
                    r + 1, unshared.back(), first.back(), warm.back());
        std::fflush(stdout);
        fs::remove_all(cache);
    }

    if (!rowsFile.empty()) {
        using namespace orlavo::bench;
        const std::string n = std::to_string(photos);
        const Spread plain = Summarize(unshared);
        auto row = [&](const std::string& id, const std::string& work,
                       const std::vector<double>& seconds, const std::string& goal, bool pass) {
            const Spread s = Summarize(seconds);
            Row r;
            r.id = id;
            r.work = work;
            r.orlavo = Figure(s, "s", 2);
            r.peer = Figure(plain, "s", 2);
            // Higher is better, as in every row: how many times faster than without sharing.
            r.ratio = s.median > 0 ? Figure(Summarize({plain.median / s.median}), "x", 2) : "-";
            r.goal = goal;
            r.pass = s.count > 0 && pass;
            r.note = std::to_string(s.count) + " rounds; " + n + " 12-MP photos on " +
                     std::to_string(std::thread::hardware_concurrency()) +
                     " cores, every thumbnail shown; peer: the same visit without sharing";
            AppendRow(rowsFile, r);
        };
        const Spread w = Summarize(warm);
        row("thumbs.shared.first", "step 1's first visit of " + n + " photos, cache written", first,
            "-", true);
        row("thumbs.shared.warm", "step 1's next visit of " + n + " photos, shared cache warm",
            warm, "< 1.5 s per 1,000", w.median * 1000.0 / photos < 1.5);
    }
    return 0;
}
