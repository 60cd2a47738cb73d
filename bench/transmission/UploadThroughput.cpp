// Uploads the same multipart bodies with the form client and with the curl
// command-line tool to a loopback sink, and compares throughput and peak
// memory. Each upload runs in a child process, so its peak RSS is its own.
// For the largest photo it also times the scan for the form's boundary that
// precedes every upload, against a plain read of the same file.
//
//   bench_upload [--sizes MIB,MIB,...] [--runs N] [--rows FILE]
//
// Rounds alternate the two clients; the ratio of a size is the median of
// each round's curl time over ours. With --rows, one table row per size and
// one for the peak memory (smallest size against largest) go to FILE.
//
// The photo files are made at run time in a temporary folder and removed.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/BenchRows.h"
#include "wizard/transmission/FailureCode.h"
#include "wizard/transmission/FormBoundary.h"
#include "wizard/transmission/FormParts.h"
#include "wizard/transmission/HttpFormClient.h"

namespace fs = std::filesystem;
using namespace orlavo::transmission;

namespace {

const std::string kManifest =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><transfermanifest><file "
    "contenttype=\"image/pjpeg\" filename=\"photo.jpg\"/><user/><shipping/><payment/>"
    "<extra uniqueid=\"BENCHBENCHBENCH\" numphotos=\"1\"/></transfermanifest>";

// A loopback server that reads each request's body by its Content-Length,
// throws it away and answers a DONE page, keeping the connection.
class SinkServer {
public:
    SinkServer() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            listen(fd_, 16) != 0) {
            std::perror("sink");
            std::exit(2);
        }
        socklen_t len = sizeof addr;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        acceptor_ = std::thread([this] { Accept(); });
    }
    ~SinkServer() {
        stop_ = true;
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        acceptor_.join();
        for (auto& t : workers_) {
            t.join();
        }
    }
    int port() const { return port_; }

private:
    void Accept() {
        while (!stop_) {
            int c = accept(fd_, nullptr, nullptr);
            if (c < 0) {
                return;
            }
            workers_.emplace_back([c] { Serve(c); });
        }
    }
    static void Serve(int c) {
        std::vector<char> buf(1 << 18);
        std::string head;
        for (;;) {
            // Head up to the blank line.
            std::size_t end;
            while ((end = head.find("\r\n\r\n")) == std::string::npos) {
                ssize_t n = recv(c, buf.data(), buf.size(), 0);
                if (n <= 0) {
                    close(c);
                    return;
                }
                head.append(buf.data(), static_cast<std::size_t>(n));
            }
            std::uint64_t length = 0;
            std::string lower = head.substr(0, end);
            std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
            if (auto at = lower.find("content-length:"); at != std::string::npos) {
                length = std::strtoull(lower.c_str() + at + 15, nullptr, 10);
            }
            std::uint64_t have = head.size() - (end + 4);
            std::string rest = have > length ? head.substr(end + 4 + length) : std::string();
            while (have < length) {
                ssize_t n =
                    recv(c, buf.data(), std::min<std::uint64_t>(buf.size(), length - have), 0);
                if (n <= 0) {
                    close(c);
                    return;
                }
                have += static_cast<std::uint64_t>(n);
            }
            head = rest;
            static const std::string answer =
                "HTTP/1.1 200 OK\r\nContent-Length: 45\r\nConnection: keep-alive\r\n\r\n"
                "<html><head><title>DONE</title></head></html>";
            send(c, answer.data(), answer.size(), MSG_NOSIGNAL);
        }
    }

    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread acceptor_;
    std::vector<std::thread> workers_;
};

struct Outcome {
    double seconds = 0;   // wall time of the child process
    double transfer = 0;  // the transfer alone, as the child reports it
    std::string output;
    long peakKiB = 0;
    int status = 0;
};

// Runs ARGS as a child process; wall time and the child's peak RSS.
Outcome RunChild(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0) {
        std::perror("pipe");
        std::exit(2);
    }
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    Outcome o;
    char buf[256];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) {
        o.output.append(buf, static_cast<std::size_t>(n));
    }
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    o.transfer = std::strtod(o.output.c_str(), nullptr);
    o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    o.peakKiB = usage.ru_maxrss;
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
}

// Child mode: one upload of PATH (SIZE bytes) with the form client.
int ClientMain(const std::string& url, const std::string& path, std::uint64_t size) {
    auto start = std::chrono::steady_clock::now();
    HttpFormClient client("bench_upload");
    std::uint32_t code = 0;
    if (!client.Open(url, code)) {
        std::fprintf(stderr, "%s\n", ErrorText(code).c_str());
        return 1;
    }
    std::string header = FilePartHeader(path, "image/pjpeg");
    std::uint64_t announced =
        UploadBodyLength(header.size(), size, ValuePart(kManifestField, kManifest).size());
    Exchange ex =
        client.Post(OrderRequestPieces(path, "image/pjpeg", size, kManifest), announced, nullptr);
    if (!ex.ok || ex.answer.find("DONE") == std::string::npos) {
        std::fprintf(stderr, "upload failed: %s\n", ErrorText(ex.code).c_str());
        return 1;
    }
    std::printf("%.6f\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
}

void WriteRandomFile(const fs::path& path, std::uint64_t size) {
    std::ofstream out(path, std::ios::binary);
    std::mt19937_64 rng(42);
    std::vector<std::uint64_t> block(1 << 16);
    std::uint64_t left = size;
    while (left > 0) {
        for (auto& v : block) {
            v = rng();
        }
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size() * 8));
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
        left -= n;
    }
}

// The whole body as one file, for curl to stream with -T.
void WriteBodyFile(const fs::path& body, const fs::path& photo, std::uint64_t size) {
    std::ofstream out(body, std::ios::binary);
    out << FilePartHeader(photo.string(), "image/pjpeg");
    std::ifstream in(photo, std::ios::binary);
    out << in.rdbuf();
    out << kCrlf << ValuePart(kManifestField, kManifest) << kClosingHead << kClosingDashes << kCrlf;
    (void)size;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::vector<double> Rates(double mib, const std::vector<double>& seconds) {
    std::vector<double> rates;
    for (double s : seconds)
        rates.push_back(s > 0 ? mib / s : 0);
    return rates;
}

// Seconds to read PATH to its end in pieces of 256 KiB, doing nothing else.
double ReadSeconds(const fs::path& path) {
    const auto start = std::chrono::steady_clock::now();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::vector<char> buffer(256 * 1024);
    while (f && std::fread(buffer.data(), 1, buffer.size(), f) == buffer.size()) {
    }
    if (f)
        std::fclose(f);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Seconds to scan PATH for the fixed boundary, as before each upload; -1
// when the scan fails or finds it (the photo is random data).
double ScanSeconds(const fs::path& path) {
    const auto start = std::chrono::steady_clock::now();
    const std::optional<bool> held = FileHolds(path.string(), kBoundary);
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return held == false ? s : -1;
}

// The boundary scan of PHOTO against a plain read, in alternating rounds.
void BoundaryScanRow(const fs::path& photo, std::uint64_t mib, int runs,
                     const std::string& rowsFile, int& failures) {
    std::vector<double> scans, reads;
    for (int r = 0; r < runs; ++r) {
        const double scan = ScanSeconds(photo);
        failures += scan < 0;
        scans.push_back(scan);
        reads.push_back(ReadSeconds(photo));
    }
    const double size = double(mib);
    std::printf("%-8s boundary scan %.1f MiB/s, plain read %.1f MiB/s\n", "", size / Median(scans),
                size / Median(reads));
    if (rowsFile.empty())
        return;
    using orlavo::bench::Goal;
    const auto rate = orlavo::bench::Summarize(Rates(size, scans));
    orlavo::bench::Row row;
    row.id = "upload.boundary";
    row.work = "scan of a " + std::to_string(mib) + " MiB photo for the form's boundary";
    row.orlavo = orlavo::bench::Figure(rate, "MiB/s", 0);
    row.peer = "plain read " +
               orlavo::bench::Figure(orlavo::bench::Summarize(Rates(size, reads)), "MiB/s", 0);
    row.ratio = orlavo::bench::Figure(
        orlavo::bench::Summarize(orlavo::bench::PairedRatios(reads, scans)), "", 2);
    row.goal = ">= 1000 MiB/s";
    row.pass = rate.count > 0 && Goal{Goal::Kind::AtLeast, 1000}.metBy(rate.median);
    row.note = std::to_string(runs) +
               " rounds, alternating, file in the page cache; once per photo, before its upload";
    orlavo::bench::AppendRow(rowsFile, row);
}

// Peak memory may grow by this much from the smallest body to the largest
// and still count as flat: buffers, not the file.
constexpr double kFlatMiB = 8;

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--client") {
        return ClientMain(argv[2], argv[3], std::strtoull(argv[4], nullptr, 10));
    }
    const std::string rowsFile = orlavo::bench::TakeRowsOption(argc, argv);
    std::vector<std::uint64_t> sizesMiB = {10, 200};
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string opt = argv[i];
        if (opt == "--sizes") {
            sizesMiB.clear();
            std::stringstream list(argv[i + 1]);
            for (std::string item; std::getline(list, item, ',');) {
                sizesMiB.push_back(std::strtoull(item.c_str(), nullptr, 10));
            }
        } else if (opt == "--runs") {
            runs = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    std::string self = fs::canonical("/proc/self/exe").string();
    fs::path folder = fs::temp_directory_path() / ("orlavo-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    SinkServer sink;
    std::string url = "http://127.0.0.1:" + std::to_string(sink.port()) + "/upload";
    std::string contentType =
        "Content-Type: multipart/form-data; boundary=" + std::string(kBoundary);

    std::printf("%u cores, load average %.1f\n", std::thread::hardware_concurrency(),
                orlavo::bench::LoadAverage());
    std::printf("%-8s %-8s %12s %12s %12s %14s\n", "size", "client", "transfer s", "MiB/s",
                "process s", "peak RSS KiB");
    int failures = 0;
    struct Peak {
        std::uint64_t mib;
        long ours, theirs;
    };
    std::vector<Peak> peaks;
    for (std::uint64_t mib : sizesMiB) {
        std::uint64_t size = mib << 20;
        fs::path photo = folder / "photo.jpg";
        fs::path body = folder / "body.bin";
        WriteRandomFile(photo, size);
        WriteBodyFile(body, photo, size);
        double bodyMiB = static_cast<double>(fs::file_size(body)) / (1 << 20);

        std::vector<double> ours, theirs, oursWall, theirsWall;
        long oursPeak = 0, theirsPeak = 0;
        for (int r = 0; r < runs; ++r) {
            Outcome a = RunChild({self, "--client", url, photo.string(), std::to_string(size)});
            Outcome b =
                RunChild({"curl", "-s", "-S", "-o", "/dev/null", "-w", "%{time_total}\n", "-X",
                          "POST", "-T", body.string(), "-H", contentType, "-H", "Expect:", url});
            failures += (a.status != 0) + (b.status != 0);
            ours.push_back(a.transfer);
            theirs.push_back(b.transfer);
            oursWall.push_back(a.seconds);
            theirsWall.push_back(b.seconds);
            oursPeak = std::max(oursPeak, a.peakKiB);
            theirsPeak = std::max(theirsPeak, b.peakKiB);
        }
        double o = Median(ours), t = Median(theirs);
        std::string label = std::to_string(mib) + "MiB";
        std::printf("%-8s %-8s %12.4f %12.1f %12.4f %14ld\n", label.c_str(), "orlavo", o,
                    bodyMiB / o, Median(oursWall), oursPeak);
        std::printf("%-8s %-8s %12.4f %12.1f %12.4f %14ld\n", label.c_str(), "curl", t, bodyMiB / t,
                    Median(theirsWall), theirsPeak);
        std::printf("%-8s throughput ratio orlavo/curl: %.2f\n", "", t / o);
        peaks.push_back({mib, oursPeak, theirsPeak});
        if (mib == sizesMiB.back())
            BoundaryScanRow(photo, mib, runs, rowsFile, failures);
        if (!rowsFile.empty()) {
            using orlavo::bench::Goal;
            const auto ratio = orlavo::bench::Summarize(orlavo::bench::PairedRatios(theirs, ours));
            orlavo::bench::Row row;
            row.id = "upload." + std::to_string(mib);
            row.work = "upload of a " + std::to_string(mib) + " MiB body to a loopback sink";
            row.orlavo =
                orlavo::bench::Figure(orlavo::bench::Summarize(Rates(bodyMiB, ours)), "MiB/s", 0);
            row.peer = "curl " + orlavo::bench::Figure(
                                     orlavo::bench::Summarize(Rates(bodyMiB, theirs)), "MiB/s", 0);
            row.ratio = orlavo::bench::Figure(ratio, "", 2);
            row.goal = ">= 0.95";
            row.pass = ratio.count > 0 && Goal{Goal::Kind::AtLeast, 0.95}.metBy(ratio.median);
            row.note = std::to_string(runs) + " rounds, alternating; ratio of each round";
            orlavo::bench::AppendRow(rowsFile, row);
        }
        fs::remove(photo);
        fs::remove(body);
    }
    fs::remove_all(folder);
    if (!rowsFile.empty() && peaks.size() >= 2) {
        const Peak& small = peaks.front();
        const Peak& large = peaks.back();
        auto text = [](const Peak& a, const Peak& b, long Peak::*who) {
            char buf[120];
            std::snprintf(buf, sizeof buf, "%.1f MiB at %llu MiB, %.1f MiB at %llu MiB",
                          double(a.*who) / 1024, static_cast<unsigned long long>(a.mib),
                          double(b.*who) / 1024, static_cast<unsigned long long>(b.mib));
            return std::string(buf);
        };
        const double growth = double(large.ours - small.ours) / 1024;
        orlavo::bench::Row row;
        row.id = "upload.memory";
        row.work = "upload: peak resident memory against body size";
        row.orlavo = text(small, large, &Peak::ours);
        row.peer = "curl " + text(small, large, &Peak::theirs);
        row.ratio = "-";
        row.goal = "flat (grows < 8 MiB)";
        row.pass = growth < kFlatMiB;
        char note[80];
        std::snprintf(note, sizeof note, "grows %.1f MiB; highest of the rounds", growth);
        row.note = note;
        orlavo::bench::AppendRow(rowsFile, row);
    }
    if (failures != 0) {
        std::fprintf(stderr, "%d uploads failed\n", failures);
        return 1;
    }
    return 0;
}
