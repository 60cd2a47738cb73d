// Thumbnails of step 1 against vipsthumbnail, side by side in one run:
//   - thumbnails a second over 12-megapixel photos without EXIF thumbnails,
//     and over photos of which half carry one, for the wizard's loader, for
//     `vipsthumbnail --size 92x92` in two processes, and for bare TurboJPEG
//     scaled decoding on every core (the floor);
//   - how long after a folder is opened on the photo page its first
//     thumbnail arrives;
//   - how long a folder of 10,000 photos takes to be listed with its
//     placeholders, and the resident memory with it listed and with every
//     thumbnail made.
//
//   bench_thumbnails [--photos N] [--listing N] [--runs N] [--corpus DIR] [--rows FILE]
//
// Rounds alternate the loader and vipsthumbnail; the ratio is the median of
// each round's ratio. With --rows, the two rates and the first thumbnail go
// to FILE as table rows.
//
// The photos are made at run time (in DIR when given, kept there for the next
// run; otherwise in a temporary folder that is removed). The page runs on
// Qt's offscreen platform; nothing is shown.

#include <sys/resource.h>
#include <turbojpeg.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <thread>

#include "bench/support/BenchRows.h"
#include "bench/support/QuietEffects.h"
#include "tests/photos/TestPhotos.h"
#include "wizard/app/AppEffects.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/app/StepPages.h"
#include "wizard/photos/PhotoFolder.h"
#include "wizard/photos/ThumbnailLoader.h"
#include "wizard/photos/ui/CSelectImagePage.h"
#include "wizard/photos/ui/FolderModel.h"

namespace fs = std::filesystem;
using namespace orlavo::wizard;

namespace {

struct Options {
    int photos = 60;
    int listing = 10000;
    int runs = 3;
    std::string corpus;
};

double Seconds(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e9;
}

// A 12-megapixel picture with the detail of a photo: a sky, hills and grain.
QImage Landscape(int width, int height, std::uint32_t seed) {
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> hue(0, 359);
    const QColor sky = QColor::fromHsv(hue(rng), 90, 230);
    const QColor ground = QColor::fromHsv(hue(rng), 140, 120);
    std::uint32_t noise = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double t = double(y) / height;
        const int ridge = int(height * (0.55 + 0.08 * std::sin(y * 0.002 + seed)));
        for (int x = 0; x < width; ++x) {
            const bool low = y > ridge + int(40 * std::sin(x * 0.004 + seed));
            const QColor& c = low ? ground : sky;
            noise = noise * 1664525u + 1013904223u;
            const int grain = int((noise >> 24) % 41) - 20;
            const int shade = int(30 * t);
            line[x] = qRgb(std::clamp(c.red() - shade + grain, 0, 255),
                           std::clamp(c.green() - shade + grain, 0, 255),
                           std::clamp(c.blue() - shade + grain, 0, 255));
        }
    }
    return image;
}

bool Write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// COUNT photos in ROOT/plain without EXIF thumbnails, and the same photos in
// ROOT/exif, half of them with one. Each picture is drawn once for both.
void MakeCorpus(const fs::path& root, int count, std::vector<std::string>& plain,
                std::vector<std::string>& exif) {
    fs::create_directories(root / "plain");
    fs::create_directories(root / "exif");
    for (int i = 0; i < count; ++i) {
        const std::string name = "photo_" + std::to_string(1000 + i) + ".jpg";
        const fs::path plainPath = root / "plain" / name;
        const fs::path exifPath = root / "exif" / name;
        plain.push_back(plainPath.string());
        exif.push_back(exifPath.string());
        if (fs::exists(plainPath) && fs::exists(exifPath))
            continue;
        const QImage picture = Landscape(4000, 3000, std::uint32_t(i + 1));
        const std::string jpeg = orlavo::test::EncodeJpeg(picture, 90);
        Write(plainPath, jpeg);
        if (i % 2 == 0) {
            const std::string thumb = orlavo::test::EncodeJpeg(
                picture.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), 80);
            Write(exifPath, orlavo::test::WithExif(jpeg, 1, thumb));
        } else {
            Write(exifPath, jpeg);
        }
    }
}

// The loader over PATHS on every core: seconds until the last thumbnail.
double LoaderSeconds(const std::vector<std::string>& paths, int* made) {
    ThumbnailLoader loader;
    int ok = 0;
    QObject::connect(&loader, &ThumbnailLoader::thumbnailReady,
                     [&ok](std::size_t, const PhotoThumbnail& t) { ok += t.ok() ? 1 : 0; });
    QSignalSpy finished(&loader, &ThumbnailLoader::finished);
    QElapsedTimer timer;
    timer.start();
    loader.start(paths, 1.0);
    finished.wait(600000);
    *made = ok;
    return Seconds(timer);
}

// vipsthumbnail in two processes, each over half of PATHS.
double VipsSeconds(const QString& vips, const std::vector<std::string>& paths, const QString& out) {
    QStringList halves[2];
    for (std::size_t i = 0; i < paths.size(); ++i)
        halves[i % 2] << QString::fromStdString(paths[i]);
    QElapsedTimer timer;
    timer.start();
    QProcess runs[2];
    for (int i = 0; i < 2; ++i)
        runs[i].start(vips, QStringList{"--size", "92x92", "-o", out + "/%s.jpg"} + halves[i]);
    for (QProcess& p : runs)
        p.waitForFinished(-1);
    return Seconds(timer);
}

// TurboJPEG's scaled decode alone (1/8) on every core, from memory.
double FloorSeconds(const std::vector<std::string>& paths) {
    std::vector<std::string> files;
    for (const std::string& p : paths)
        files.push_back(Read(p));
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::atomic<std::size_t> next{0};
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t)
        workers.emplace_back([&] {
            tjhandle h = tjInitDecompress();
            std::vector<unsigned char> out;
            for (std::size_t i; (i = next++) < files.size();) {
                const auto* data = reinterpret_cast<const unsigned char*>(files[i].data());
                int w = 0, hgt = 0, sub = 0, cs = 0;
                tjDecompressHeader3(h, data, files[i].size(), &w, &hgt, &sub, &cs);
                const tjscalingfactor eighth{1, 8};
                const int sw = TJSCALED(w, eighth), sh = TJSCALED(hgt, eighth);
                out.resize(std::size_t(sw) * sh * 4);
                tjDecompress2(h, data, files[i].size(), out.data(), sw, 0, sh, TJPF_BGRX,
                              TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE);
            }
            tjDestroy(h);
        });
    for (std::thread& w : workers)
        w.join();
    return Seconds(timer);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Resident memory now, in MiB (the peak where the system gives no current figure).
double ResidentMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Thumbnails a second of each round, ours and vipsthumbnail's.
struct Rates {
    std::vector<double> ours;
    std::vector<double> vips;
    std::vector<double> floor;  // bare scaled decoding on every core, when measured
};

Rates CompareRates(const char* title, const std::vector<std::string>& paths, const QString& vips,
                   const QString& out, int runs, bool floor) {
    // Every file read once, so that each tool reads from the same warm cache.
    for (const std::string& p : paths)
        (void)Read(p);
    std::vector<double> ours, theirs, bare;
    int made = 0;
    for (int r = 0; r < runs; ++r) {
        ours.push_back(LoaderSeconds(paths, &made));
        if (!vips.isEmpty())
            theirs.push_back(VipsSeconds(vips, paths, out));
        if (floor)
            bare.push_back(FloorSeconds(paths));
    }
    const double n = double(paths.size());
    const double oursRate = n / Median(ours);
    std::printf("\n%s (%zu photos, median of %d runs)\n", title, paths.size(), runs);
    std::printf("  wizard loader          %7.1f thumbnails/s  (%d made)\n", oursRate, made);
    if (!theirs.empty()) {
        const double vipsRate = n / Median(theirs);
        std::printf("  vipsthumbnail x2       %7.1f thumbnails/s\n", vipsRate);
        std::printf("  ratio loader/vips      %7.2f\n", oursRate / vipsRate);
    }
    if (!bare.empty())
        std::printf("  TurboJPEG 1/8 floor    %7.1f decodes/s\n", n / Median(bare));
    Rates rates;
    for (double s : ours)
        rates.ours.push_back(n / s);
    for (double s : theirs)
        rates.vips.push_back(n / s);
    for (double s : bare)
        rates.floor.push_back(n / s);
    return rates;
}

// The row of one corpus: at least GOAL a second and RATIO times vipsthumbnail.
orlavo::bench::Row RateRow(const std::string& id, const std::string& work, const Rates& rates,
                           double goal, double ratioGoal, int photos) {
    using namespace orlavo::bench;
    const Spread ours = Summarize(rates.ours);
    const Spread ratio = Summarize(PairedRatios(rates.ours, rates.vips));
    Row row;
    row.id = id;
    row.work = work;
    row.orlavo = Figure(ours, "/s", 1);
    row.peer =
        rates.vips.empty() ? "-" : "vipsthumbnail x2 " + Figure(Summarize(rates.vips), "/s", 1);
    row.ratio = Figure(ratio, "", 2);
    char text[80];
    std::snprintf(text, sizeof text, ">= %.0f /s and >= %.1f x vips", goal, ratioGoal);
    row.goal = text;
    row.pass = ours.count > 0 && ratio.count > 0 &&
               Goal{Goal::Kind::AtLeast, goal}.metBy(ours.median) &&
               Goal{Goal::Kind::AtLeast, ratioGoal}.metBy(ratio.median);
    row.note = std::to_string(photos) + " photos, " + std::to_string(ours.count) +
               " rounds, alternating; " + std::to_string(std::thread::hardware_concurrency()) +
               " cores";
    if (!rates.floor.empty()) {
        std::snprintf(text, sizeof text, "; bare TurboJPEG 1/8 decoding on every core %.1f /s",
                      Summarize(rates.floor).median);
        row.note += text;
    }
    if (rates.vips.empty())
        row.note += "; vipsthumbnail missing";
    return row;
}

using orlavo::bench::QuietEffects;

// Opens FOLDER on the page; seconds until the view holds its placeholders.
double OpenSeconds(CSelectImagePage& page, const fs::path& folder) {
    QElapsedTimer timer;
    timer.start();
    page.openFolder(folder.string());
    QApplication::processEvents();  // the view lays out and paints its first rows
    return Seconds(timer);
}

// Opens FOLDER; seconds until its first thumbnail reached the view.
double FirstThumbnailSeconds(CSelectImagePage& page, const fs::path& folder) {
    QElapsedTimer timer;
    bool seen = false;
    const auto connection = QObject::connect(
        page.folderModel(), &FolderModel::dataChanged, [&](const QModelIndex& index) {
            if (!seen && page.folderModel()->item(page.folderModel()->idOfRow(index.row())).known)
                seen = true;
        });
    timer.start();
    page.openFolder(folder.string());
    while (!seen && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double s = Seconds(timer);
    QObject::disconnect(connection);
    return s;
}

void WaitLoaded(CSelectImagePage& page) {
    if (page.loader()->running()) {
        QSignalSpy finished(page.loader(), &ThumbnailLoader::finished);
        finished.wait(600000);
    }
}

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--photos")
            o.photos = std::max(2, std::atoi(argv[i + 1]));
        else if (a == "--listing")
            o.listing = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--runs")
            o.runs = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--corpus")
            o.corpus = argv[i + 1];
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const std::string rowsFile = orlavo::bench::TakeRowsOption(argc, argv);
    const Options options = Parse(argc, argv);
    QTemporaryDir temp;
    const fs::path corpus = fs::absolute(
        options.corpus.empty() ? fs::path(temp.path().toStdString()) : fs::path(options.corpus));
    qputenv("ORLAVO_REGISTRY", temp.filePath("registry.sqlite3").toUtf8());
    const QString vips = QStandardPaths::findExecutable("vipsthumbnail");
    const QString out = temp.filePath("vips-out");
    fs::create_directories(out.toStdString());

    std::printf("Making the photos in %s ...\n", corpus.string().c_str());
    std::fflush(stdout);
    std::vector<std::string> plain, exif;
    MakeCorpus(corpus, options.photos, plain, exif);
    std::uintmax_t bytes = 0;
    for (const std::string& p : plain)
        bytes += fs::file_size(p);
    double load[1] = {0};
    getloadavg(load, 1);
    std::printf("12-megapixel photos of %.1f MB on average; %u cores, load average %.1f\n",
                double(bytes) / plain.size() / 1e6, std::thread::hardware_concurrency(), load[0]);
    if (vips.isEmpty())
        std::printf("vipsthumbnail not found (Debian package libvips-tools): no comparison\n");

    const Rates plainRates =
        CompareRates("Without EXIF thumbnails", plain, vips, out, options.runs, true);
    const Rates exifRates =
        CompareRates("Half with EXIF thumbnails", exif, vips, out, options.runs, false);

    // The photo page itself.
    QuietEffects effects;
    CWizardApp app({"bench_thumbnails", "Bench"}, effects, {}, MakeStepPage);
    if (!app.StartUp())
        return 1;
    auto* page = qobject_cast<CSelectImagePage*>(app.sheet()->page(0));
    QSignalSpy started(page, &CSelectImagePage::started);
    app.sheet()->show();
    started.wait(10000);

    const fs::path listing = corpus / ("listing-" + std::to_string(options.listing));
    if (!fs::exists(listing / "photo_00001.jpg")) {
        fs::create_directories(listing);
        const fs::path one = listing / "photo_00001.jpg";
        Write(one, orlavo::test::WithExif(orlavo::test::EncodeJpeg(Landscape(640, 480, 7), 85), 1,
                                          orlavo::test::EncodeJpeg(Landscape(160, 120, 7), 80)));
        char name[32];
        for (int i = 2; i <= options.listing; ++i) {
            std::snprintf(name, sizeof name, "photo_%05d.jpg", i);
            std::error_code ec;
            fs::create_hard_link(one, listing / name, ec);
            if (ec)
                fs::copy_file(one, listing / name, ec);
        }
    }

    std::vector<double> first;
    for (int r = 0; r < options.runs; ++r) {
        first.push_back(FirstThumbnailSeconds(*page, corpus / "plain"));
        WaitLoaded(*page);
        OpenSeconds(*page, corpus / "exif");  // away and back: a fresh visit each time
        WaitLoaded(*page);
    }
    std::printf("\nFirst thumbnail after opening the folder of 12-MP photos: %.0f ms (median)\n",
                Median(first) * 1000);
    if (!rowsFile.empty()) {
        using namespace orlavo::bench;
        AppendRow(rowsFile,
                  RateRow("thumbs.plain", "thumbnails of 12-MP JPEGs without EXIF thumbnails",
                          plainRates, 55, 1.4, options.photos));
        AppendRow(rowsFile,
                  RateRow("thumbs.exif", "thumbnails of 12-MP JPEGs, half with EXIF thumbnails",
                          exifRates, 95, 1.4, options.photos));
        std::vector<double> ms;
        for (double s : first)
            ms.push_back(s * 1000);
        const Spread spread = Summarize(ms);
        Row row;
        row.id = "thumbs.first";
        row.work = "first thumbnail after opening a folder of 12-MP photos";
        row.orlavo = Figure(spread, "ms", 0);
        row.peer = "-";
        row.ratio = "-";
        row.goal = "< 100 ms";
        row.pass = spread.count > 0 && Goal{Goal::Kind::Below, 100}.metBy(spread.median);
        row.note = std::to_string(spread.count) + " rounds; photo page on the offscreen platform";
        AppendRow(rowsFile, row);
    }

    const double before = ResidentMiB();
    std::vector<double> list;
    for (int r = 0; r < options.runs; ++r) {
        OpenSeconds(*page, corpus / "plain");
        WaitLoaded(*page);
        list.push_back(OpenSeconds(*page, listing));
    }
    const double listed = ResidentMiB();
    QElapsedTimer all;
    all.start();
    WaitLoaded(*page);
    const double loaded = ResidentMiB();
    std::printf(
        "Folder of %d photos listed with placeholders: %.0f ms (median); "
        "every thumbnail after %.1f s more\n",
        page->folderModel()->count(), Median(list) * 1000, Seconds(all));
    std::printf(
        "Resident memory: %.0f MiB before, %.0f MiB listed, %.0f MiB with every "
        "thumbnail made\n",
        before, listed, loaded);
    return 0;
}
