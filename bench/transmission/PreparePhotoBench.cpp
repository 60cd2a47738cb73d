// Preparing a photo for sending against jpegtran doing the same transform:
// a 12-megapixel camera photo turned a quarter (read, lossless turn, EXIF
// made upright, written to the send's folder), and a crop of it. Each round
// runs ours and then jpegtran (libjpeg-turbo-progs) on the same file; the
// ratio is jpegtran's time over ours, round by round.
//   bench_prepare [--runs N] [--rows FILE]

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/support/BenchRows.h"
#include "tests/transmission/JpegSamples.h"
#include "wizard/transmission/PreparedPhoto.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Millis(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// Processor time of this process, and of its ended children, in milliseconds:
// on a loaded machine it tells the work from the wait for a core.
double OwnCpuMillis() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}
double ChildrenCpuMillis() {
    rusage u{};
    ::getrusage(RUSAGE_CHILDREN, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// jpegtran ARGS on SOURCE into OUT; milliseconds, or -1 when it failed.
double Jpegtran(const std::string& tool, std::vector<std::string> args, const std::string& source,
                const std::string& out) {
    args.insert(args.begin(), tool);
    args.insert(args.end(), {"-copy", "all", "-outfile", out, source});
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const Clock::time_point start = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    return Millis(start);
}

std::string FindTool(const char* name) {
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        const fs::path p = fs::path(dir) / name;
        if (::access(p.c_str(), X_OK) == 0)
            return p.string();
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    using namespace orlavo;
    const std::string rowsFile = bench::TakeRowsOption(argc, argv);
    const int runs = bench::RunsOption(argc, argv, 5);

    char folderName[] = "/tmp/orlavo-bench-prepare-XXXXXX";
    if (::mkdtemp(folderName) == nullptr)
        return 1;
    const fs::path folder(folderName);
    // A camera's 12 megapixels, 4:2:0, sides that are whole blocks.
    const int width = 4032, height = 3024;
    std::printf("Making a %d x %d photo ...\n", width, height);
    const std::string jpeg = test::WithBlock(test::Encode(test::Pattern(width, height), TJSAMP_420),
                                             test::ExifBlock(1, width, height, false));
    const std::string source = (folder / "IMG_0001.jpg").string();
    std::ofstream(source, std::ios::binary).write(jpeg.data(), std::streamsize(jpeg.size()));
    std::printf("%zu bytes; load average %.2f\n", jpeg.size(), bench::LoadAverage());

    const std::string tool = FindTool("jpegtran");
    if (tool.empty())
        std::printf("jpegtran not found (Debian package libjpeg-turbo-progs): no comparison\n");
    const wizard::CropBox crop{1000, 700, 2400, 1600};
    const struct {
        const char* id;
        const char* work;
        transmission::PhotoWork work_;
        std::vector<std::string> peerArgs;
    } cases[] = {
        {"prepare.turn",
         "prepare a turned 12 MP photo for sending",
         {90, {}},
         {"-rotate", "90", "-trim"}},
        {"prepare.crop",
         "prepare a cropped 12 MP photo for sending",
         {0, crop},
         {"-crop", "2400x1600+1000+700"}},
    };
    int failures = 0;
    for (const auto& c : cases) {
        std::vector<double> ours, theirs, oursCpu, theirsCpu;
        for (int r = 0; r < runs; ++r) {
            transmission::SendFolder send((folder / "sending").string());
            const double cpu = OwnCpuMillis();
            const Clock::time_point start = Clock::now();
            const transmission::PreparedPhoto p =
                transmission::PreparePhoto(send, source, c.work_, 1);
            const double ms = Millis(start);
            if (!p.ok()) {
                std::printf("%s: %s\n", c.id, p.problem.c_str());
                ++failures;
                break;
            }
            ours.push_back(ms);
            oursCpu.push_back(OwnCpuMillis() - cpu);
            if (!tool.empty()) {
                const double childCpu = ChildrenCpuMillis();
                const double peer =
                    Jpegtran(tool, c.peerArgs, source, (folder / "jpegtran.jpg").string());
                if (peer > 0) {
                    theirs.push_back(peer);
                    theirsCpu.push_back(ChildrenCpuMillis() - childCpu);
                }
            }
        }
        const bench::Spread mine = bench::Summarize(ours);
        bench::Row row;
        row.id = c.id;
        row.work = c.work;
        row.orlavo = bench::Figure(mine, "ms", 1);
        row.peer =
            theirs.empty() ? "-" : "jpegtran " + bench::Figure(bench::Summarize(theirs), "ms", 1);
        row.ratio = theirs.empty()
                        ? "-"
                        : bench::Figure(bench::Summarize(bench::PairedRatios(theirs, ours)), "", 2);
        row.goal = "< 150 ms";
        row.pass = mine.count > 0 && bench::Goal{bench::Goal::Kind::Below, 150}.metBy(mine.median);
        row.note = std::to_string(mine.count) +
                   " rounds, alternating; file read, lossless transform, EXIF upright, file "
                   "written; jpegtran's time includes starting its process; processor time " +
                   bench::Figure(bench::Summarize(oursCpu), "ms", 1) +
                   (theirsCpu.empty()
                        ? std::string()
                        : ", jpegtran's " + bench::Figure(bench::Summarize(theirsCpu), "ms", 1));
        std::printf("%-14s ours %s   %s\n  %s\n", c.id, row.orlavo.c_str(), row.peer.c_str(),
                    row.note.c_str());
        if (!rowsFile.empty())
            bench::AppendRow(rowsFile, row);
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
    return failures == 0 ? 0 : 1;
}
