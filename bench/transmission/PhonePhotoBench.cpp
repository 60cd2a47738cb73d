// Phone photos prepared for sending, each round beside a peer doing the same
// work on the same file:
// - a 12-megapixel HEIC made into the JPEG the lab receives (decode, quality
//   95 at 4:4:4, EXIF upright without its location, file written) against
//   heif-convert (libheif-examples) writing a JPEG at quality 95;
// - the location taken out of a 12-megapixel JPEG (its APP1 segments
//   rewritten, the picture data copied, file written) against exiftool
//   removing the GPS tags.
// The ratio is the peer's time over ours, round by round.
//   bench_phone [--runs N] [--rows FILE]

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/support/BenchRows.h"
#include "tests/support/PhotoSamples.h"
#include "wizard/transmission/PreparedPhoto.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Millis(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// TOOL with ARGS; milliseconds, or -1 when it could not run or failed.
double Run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::fflush(stdout);
    const Clock::time_point start = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 1);
        ::dup2(quiet, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    return Millis(start);
}

// 12 megapixels of smooth light, edges and a little grain, as a camera's
// pictures are coded. libheif's own encoder writes it as one picture, where a
// phone writes a grid of tiles that libheif decodes on several threads: the
// row is the slower case.
QImage Scene(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    std::uint32_t noise = 11;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = int(noise >> 29) - 4;
            const bool edge = ((x / 301) + (y / 217)) % 2 == 0;
            row[x] = qRgb(std::clamp(x * 255 / width + grain, 0, 255),
                          std::clamp(y * 255 / height + grain + (edge ? 40 : 0), 0, 255),
                          std::clamp(128 + grain - (edge ? 40 : 0), 0, 255));
        }
    }
    return image;
}

struct Case {
    const char* id;
    const char* work;
    std::string source;
    orlavo::transmission::PhotoWork ours;
    std::vector<std::string> peer;  // empty: none found
    std::string peerName;
    double goalMs;
    const char* note;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace orlavo;
    const std::string rowsFile = bench::TakeRowsOption(argc, argv);
    const int runs = bench::RunsOption(argc, argv, 5);

    char folderName[] = "/tmp/orlavo-bench-phone-XXXXXX";
    if (::mkdtemp(folderName) == nullptr)
        return 1;
    const fs::path folder(folderName);
    const int width = 4032, height = 3024;
    std::printf("Making a %d x %d HEIC and JPEG (the HEIC takes a while) ...\n", width, height);
    const QImage scene = Scene(width, height);
    const std::string exif = test::PhoneExif(false, 1, true, width, height);
    const fs::path heic = folder / "IMG_0001.HEIC";
    const fs::path jpeg = folder / "IMG_0002.jpg";
    test::WriteFile(heic, test::HeicBytes(scene, 1, exif, test::PhoneXmp(true), 320, {}, 50));
    test::WriteFile(jpeg, test::JpegBytes(scene, exif, test::PhoneXmp(true)));
    std::printf("HEIC %ju bytes, JPEG %ju bytes; load average %.2f\n",
                std::uintmax_t(fs::file_size(heic)), std::uintmax_t(fs::file_size(jpeg)),
                bench::LoadAverage());

    const auto tool = [](const char* name) {
        const fs::path p = fs::path("/usr/bin") / name;
        return ::access(p.c_str(), X_OK) == 0 ? p.string() : std::string();
    };
    const std::string heifConvert = tool("heif-convert"), exiftool = tool("exiftool");
    const std::string peerOut = (folder / "peer.jpg").string();
    transmission::PhotoWork convert;
    convert.convert = true;
    convert.removeLocation = true;
    transmission::PhotoWork remove;
    remove.removeLocation = true;
    std::vector<Case> cases = {
        {"prepare.heic", "make a 12 MP HEIC into the JPEG sent", heic.string(), convert,
         heifConvert.empty()
             ? std::vector<std::string>{}
             : std::vector<std::string>{heifConvert, "-q", "95", heic.string(), peerOut},
         "heif-convert", 1000,
         "decode, 4:4:4 quality 95 (heif-convert writes 4:2:0), EXIF upright without the "
         "location, file written"},
        {"prepare.location", "take the location out of a 12 MP JPEG", jpeg.string(), remove,
         exiftool.empty() ? std::vector<std::string>{}
                          : std::vector<std::string>{exiftool, "-q", "-gps:all=", "-xmp-exif:all=",
                                                     "-o", peerOut, jpeg.string()},
         "exiftool", 20,
         "file read, APP1 segments rewritten, the picture data copied, file written; "
         "exiftool's time includes starting perl"},
    };
    int failures = 0;
    for (const Case& c : cases) {
        if (c.peer.empty())
            std::printf("%s not found: no comparison\n", c.peerName.c_str());
        std::vector<double> ours, theirs;
        for (int r = 0; r < runs; ++r) {
            transmission::SendFolder send((folder / "sending").string());
            const Clock::time_point start = Clock::now();
            const transmission::PreparedPhoto p =
                transmission::PreparePhoto(send, c.source, c.ours, 1);
            const double ms = Millis(start);
            if (!p.ok() || !p.written) {
                std::printf("%s: %s\n", c.id, p.ok() ? "nothing was written" : p.problem.c_str());
                ++failures;
                break;
            }
            ours.push_back(ms);
            if (!c.peer.empty()) {
                fs::remove(peerOut);
                if (const double peer = Run(c.peer); peer > 0)
                    theirs.push_back(peer);
            }
        }
        const bench::Spread mine = bench::Summarize(ours);
        bench::Row row;
        row.id = c.id;
        row.work = c.work;
        row.orlavo = bench::Figure(mine, "ms", 1);
        row.peer = theirs.empty()
                       ? "-"
                       : c.peerName + " " + bench::Figure(bench::Summarize(theirs), "ms", 1);
        row.ratio = theirs.empty()
                        ? "-"
                        : bench::Figure(bench::Summarize(bench::PairedRatios(theirs, ours)), "", 2);
        row.goal = "< " + std::to_string(int(c.goalMs)) + " ms";
        row.pass =
            mine.count > 0 && bench::Goal{bench::Goal::Kind::Below, c.goalMs}.metBy(mine.median);
        row.note = std::to_string(mine.count) + " rounds, alternating; " + c.note;
        std::printf("%-17s ours %s   %s\n  %s\n", c.id, row.orlavo.c_str(), row.peer.c_str(),
                    row.note.c_str());
        if (!rowsFile.empty())
            bench::AppendRow(rowsFile, row);
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
    return failures == 0 ? 0 : 1;
}
