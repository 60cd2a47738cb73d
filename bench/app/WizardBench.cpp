// The wizard as a whole, against a real orlavo-lab on loopback:
//   - start-up: from the start of a new process to a ready start window
//     (the catalogue in, "Begin" enabled), the wizard's own start-up path
//     on the offscreen platform;
//   - resident memory of the wizard holding a full order: step 1 over a
//     folder of 197 photos with every thumbnail made, all of them ticked,
//     three lines each, and step 2 with every photo block made.
// Each round runs each in a new process, so that nothing is warm but the
// files in the system's cache.
//
//   bench_wizard [--runs N] [--photos N] [--rows FILE]
//
// The photos are a few sample photos of orlavo-lab (up to 12 megapixels)
// linked under 197 names, in a temporary folder that is removed.

#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/BenchRows.h"
#include "bench/support/QuietEffects.h"
#include "bench/support/QuietStderr.h"
#include "common/RegistryRoot.h"
#include "platform/RegistryStore.h"
#include "tests/support/LabProcess.h"
#include "tests/support/ProgramRun.h"
#include "wizard/app/AppEffects.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CStartDialog.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/app/StepPages.h"
#include "wizard/photos/ThumbnailLoader.h"
#include "wizard/photos/ui/CSelectImagePage.h"
#include "wizard/products/ui/CCustomProductPage.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kProfile = "Bench";
constexpr int kSamplePhotos = 8;

using orlavo::bench::QuietEffects;

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// "VmRSS" or "VmHWM" of this process, in KiB.
long StatusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    const std::string key = std::string(field) + ":";
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + key.size());
    return -1;
}

// Child: the wizard's start-up to its start window, ready. Prints the
// moments (on the steady clock, which the parent shares) when the
// application object existed, start-up was done, the window was shown and
// when it was ready.
int StartChild(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QGuiApplication::setDesktopFileName(ORLAVO_APP_ID);
    const std::int64_t made = NowNs();
    QuietEffects effects;
    CWizardApp app({argv[0], kProfile}, effects, {}, MakeStepPage);
    if (!app.StartUp())
        return 3;
    const std::int64_t startedUp = NowNs();
    CStartDialog dialog(app, [&app](const std::string& address, const std::atomic<bool>& cancel) {
        return app.LoadCatalogue(address, &cancel);
    });
    std::int64_t ready = 0;
    QObject::connect(&dialog, &CStartDialog::loadFinished, [&] {
        ready = NowNs();
        QCoreApplication::quit();
    });
    // Never waits for ever, whatever the lab does.
    QTimer::singleShot(60000, &qapp, &QCoreApplication::quit);
    dialog.show();
    const std::int64_t shown = NowNs();
    qapp.exec();
    if (ready == 0 || !dialog.beginButton()->isEnabled() || app.xml.GetProductCount() == 0) {
        std::fprintf(stderr, "the start window did not become ready: %s\n",
                     qPrintable(dialog.statusLine()->text()));
        return 4;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const long long cpuUs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000LL +
                            usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
    std::printf("ready %lld app %lld startup %lld shown %lld cpu %lld\n",
                static_cast<long long>(ready), static_cast<long long>(made),
                static_cast<long long>(startedUp), static_cast<long long>(shown), cpuUs);
    return 0;
}

// Child: the wizard holding an order of every photo of FOLDER. Prints its
// resident memory and its peak.
int MemoryChild(int argc, char** argv, const std::string& folder, const std::string& catalogue) {
    QApplication qapp(argc, argv);
    QuietEffects effects;
    CWizardApp app({argv[0], kProfile}, effects, {}, MakeStepPage);
    if (!app.StartUp())
        return 3;
    if (const std::string error = app.LoadCatalogue(catalogue); !error.empty()) {
        std::fprintf(stderr, "catalogue: %s\n", error.c_str());
        return 4;
    }
    app.order.setProductCount(app.xml.GetProductCount());
    CMyProperySheet& sheet = *app.sheet();
    auto* photos = qobject_cast<CSelectImagePage*>(sheet.page(0));
    QSignalSpy started(photos, &CSelectImagePage::started);
    sheet.resize(900, 700);
    sheet.show();
    started.wait(30000);
    photos->openFolder(folder);
    if (photos->loader()->running()) {
        QSignalSpy finished(photos->loader(), &orlavo::wizard::ThumbnailLoader::finished);
        finished.wait(600000);
    }
    QApplication::processEvents();
    photos->selectAll();
    QApplication::processEvents();
    if (!photos->onWizardNext())
        return 5;
    const std::size_t count = app.order.PhotoCount();
    const int products = app.xml.GetProductCount();
    for (std::size_t i = 0; i < count; ++i)
        for (int j : {0, 2, 4})
            app.order.SetQuantity(i, std::min(j, products - 1), 1 + int(i % 3));
    sheet.setActivePage(1);
    QApplication::processEvents();
    auto* page = static_cast<CCustomProductPage*>(sheet.page(1));
    for (int i = 0; i < int(count); ++i)
        page->block(i);
    sheet.repaint();
    QApplication::processEvents();
    std::printf("photos %zu rss %ld hwm %ld\n", count, StatusKiB("VmRSS"), StatusKiB("VmHWM"));
    return count == 0 ? 6 : 0;
}

// Output of a child run; empty when it failed.
std::string RunChild(const std::string& self, const std::vector<std::string>& args,
                     const orlavo::test::Environment& env, const fs::path& folder) {
    const pid_t pid =
        orlavo::test::StartProgram(self, args, env, folder / "out.txt", folder / "err.txt");
    const orlavo::test::ProgramResult r =
        orlavo::test::FinishProgram(pid, folder / "out.txt", folder / "err.txt");
    if (r.exitCode != 0) {
        std::fprintf(stderr, "%s %s failed (%d): %s\n", self.c_str(), args.front().c_str(),
                     r.exitCode, r.err.c_str());
        return {};
    }
    return r.out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--start-child") == 0)
        return StartChild(argc, argv);
    if (argc >= 4 && std::strcmp(argv[1], "--memory-child") == 0)
        return MemoryChild(argc, argv, argv[2], argv[3]);

    const std::string rowsFile = orlavo::bench::TakeRowsOption(argc, argv);
    int runs = 5;
    int photoCount = 197;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--photos") == 0)
            photoCount = std::clamp(std::atoi(argv[i + 1]), 1, 197);
    }
    const std::string self = fs::canonical("/proc/self/exe").string();
    const fs::path folder =
        fs::temp_directory_path() / ("orlavo-wizard-bench-" + std::to_string(getpid()));
    struct Cleanup {
        fs::path path;
        ~Cleanup() {
            std::error_code ec;
            fs::remove_all(path, ec);
        }
    } cleanup{folder};
    fs::create_directories(folder / "photos");

    if (!orlavo::test::LabProcess::MakeSamplePhotos(folder / "samples", kSamplePhotos)) {
        std::fprintf(stderr, "orlavo-lab could not make sample photos\n");
        return 1;
    }
    std::vector<fs::path> samples;
    for (const auto& entry : fs::directory_iterator(folder / "samples"))
        samples.push_back(entry.path());
    std::sort(samples.begin(), samples.end());
    char name[32];
    for (int i = 0; i < photoCount; ++i) {
        std::snprintf(name, sizeof name, "photo_%03d.jpg", i + 1);
        std::error_code ec;
        fs::create_hard_link(samples[std::size_t(i) % samples.size()], folder / "photos" / name,
                             ec);
        if (ec)
            fs::copy_file(samples[std::size_t(i) % samples.size()], folder / "photos" / name);
    }

    std::unique_ptr<orlavo::test::LabProcess> started;
    {
        orlavo::bench::QuietStderr quiet;
        started = std::make_unique<orlavo::test::LabProcess>(folder / "lab");
    }
    const orlavo::test::LabProcess& lab = *started;
    if (!lab.running()) {
        std::fprintf(stderr, "orlavo-lab did not start: %s\n", lab.error().c_str());
        return 1;
    }
    const std::string registry = (folder / "registry.sqlite3").string();
    {
        const std::string program = fs::path(self).filename().string();
        orlavo::RegistryStore store(orlavo::RegistryRoot(kProfile, program), registry);
        store.setText("DownloadInfo", "DownloadURL", lab.url("/catalogue.xml"));
        store.setText("DownloadInfo", "UploadURL", lab.url("/upload"));
        store.setText("DownloadInfo", "PriceRequestURL", lab.url("/price"));
        store.setText("UserDetails", "PicturesFolder", (folder / "photos").string());
    }
    const orlavo::test::Environment env = {{"ORLAVO_REGISTRY", registry},
                                           {"QT_QPA_PLATFORM", "offscreen"},
                                           {"XDG_STATE_HOME", (folder / "state").string()},
                                           {"XDG_CONFIG_HOME", (folder / "config").string()},
                                           // Thumbnails shared in the run's folder, not the user's.
                                           {"XDG_CACHE_HOME", (folder / "cache").string()}};

    std::printf("%u cores, load average %.1f; %d photos\n", std::thread::hardware_concurrency(),
                orlavo::bench::LoadAverage(), photoCount);
    std::printf("%-6s %12s %26s %8s %10s %10s\n", "round", "start-up ms",
                "(Qt, StartUp, show, load)", "CPU ms", "RSS MiB", "peak MiB");
    // A first start that is not counted: the libraries in the cache.
    RunChild(self, {"--start-child"}, env, folder);
    std::vector<double> startMs, cpuMs, rssMiB, peakMiB;
    for (int r = 0; r < runs; ++r) {
        const std::int64_t begin = NowNs();
        const std::string out = RunChild(self, {"--start-child"}, env, folder);
        long long ready = 0, made = 0, startedUp = 0, shown = 0, cpuUs = 0;
        if (std::sscanf(out.c_str(), "ready %lld app %lld startup %lld shown %lld cpu %lld", &ready,
                        &made, &startedUp, &shown, &cpuUs) != 5)
            return 1;
        cpuMs.push_back(double(cpuUs) / 1000);
        char phases[80];
        std::snprintf(phases, sizeof phases, "%.0f, %.0f, %.0f, %.0f", double(made - begin) / 1e6,
                      double(startedUp - made) / 1e6, double(shown - startedUp) / 1e6,
                      double(ready - shown) / 1e6);
        startMs.push_back(double(ready - begin) / 1e6);
        const std::string mem = RunChild(
            self, {"--memory-child", (folder / "photos").string(), lab.url("/catalogue.xml")}, env,
            folder);
        std::size_t held = 0;
        long rss = 0, hwm = 0;
        if (std::sscanf(mem.c_str(), "photos %zu rss %ld hwm %ld", &held, &rss, &hwm) != 3 ||
            int(held) != photoCount) {
            std::fprintf(stderr, "the order held %zu photos, not %d\n", held, photoCount);
            return 1;
        }
        rssMiB.push_back(double(rss) / 1024);
        peakMiB.push_back(double(hwm) / 1024);
        std::printf("%-6d %12.1f %26s %8.0f %10.1f %10.1f\n", r + 1, startMs.back(), phases,
                    cpuMs.back(), rssMiB.back(), peakMiB.back());
        std::fflush(stdout);
    }
    if (rowsFile.empty())
        return 0;

    using namespace orlavo::bench;
    const Spread start = Summarize(startMs);
    Row row;
    row.id = "wizard.start";
    row.work = "start-up to a ready start window, local lab";
    row.orlavo = Figure(start, "ms", 0);
    row.peer = "-";
    row.ratio = "-";
    row.goal = "< 300 ms";
    row.pass = start.count > 0 && Goal{Goal::Kind::Below, 300}.metBy(start.median);
    char startNote[160];
    std::snprintf(startNote, sizeof startNote,
                  "%d rounds; new process each, offscreen platform, catalogue from orlavo-lab; "
                  "CPU time of a start %.0f ms",
                  start.count, Summarize(cpuMs).median);
    row.note = startNote;
    AppendRow(rowsFile, row);

    const Spread rss = Summarize(rssMiB);
    row.id = "wizard.memory";
    row.work =
        "resident memory of the wizard holding a " + std::to_string(photoCount) + "-photo order";
    row.orlavo = Figure(rss, "MiB", 0);
    row.goal = "< 150 MB";
    row.pass = rss.count > 0 && Goal{Goal::Kind::Below, 150e6 / (1 << 20)}.metBy(rss.median);
    char note[160];
    std::snprintf(note, sizeof note,
                  "%d rounds; step 1 with every thumbnail, 3 lines a photo, every step 2 block "
                  "made; peak %.0f MiB",
                  rss.count, Summarize(peakMiB).median);
    row.note = note;
    return AppendRow(rowsFile, row) ? 0 : 1;
}
