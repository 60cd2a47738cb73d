// A whole order sent by orlavo-order to a real orlavo-lab on loopback,
// against a shell loop of curl that makes the same requests: the catalogue,
// the price request and one multipart POST per photo with the same photo
// file and the manifest that orlavo-order sent for it.
//
//   bench_order [--photos N] [--mb M] [--runs N] [--rows FILE]
//
// The photos (N JPEGs of M MB: a small picture with comment segments of
// random bytes, so that sizes are exact and nothing compresses) are made at
// run time in a temporary folder and removed. The lab's orders are removed
// between rounds, outside the timing. Rounds alternate the two; a warm-up
// of each comes first, and orlavo-order's warm-up gives the manifests that
// curl posts. The order pays by cheque, so the manifests carry no card.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/BenchRows.h"
#include "bench/support/QuietStderr.h"
#include "common/RegistryRoot.h"
#include "platform/RegistryStore.h"
#include "tests/support/LabProcess.h"
#include "tests/support/ProgramRun.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kDetails =
    "firstname=Ada\n"
    "lastname=Byron\n"
    "address1=1 Mill Lane\n"
    "city=Bath\n"
    "zip=BA1 1AA\n"
    "country=United Kingdom\n"
    "email=ada@example.com\n"
    "sameasbilling=yes\n"
    "payment=6\n";

struct Options {
    int photos = 60;
    int mb = 4;
    int runs = 5;
};

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

// JPEG with comment segments after its start marker, SIZE bytes in all.
std::string Padded(const std::string& jpeg, std::size_t size, std::uint64_t seed) {
    std::string out = jpeg.substr(0, 2);
    std::mt19937_64 rng(seed);
    std::size_t left = size > jpeg.size() ? size - jpeg.size() : 0;
    while (left >= 5) {
        const std::size_t body = std::min<std::size_t>(left - 4, 65533);
        out += '\xFF';
        out += '\xFE';
        out += char((body + 2) >> 8);
        out += char((body + 2) & 0xFF);
        for (std::size_t i = 0; i < body; ++i)
            out += char(rng() & 0xFF);
        left -= body + 4;
    }
    out += jpeg.substr(2);
    return out;
}

// Seconds of wall time from the start of PROGRAM to its end; -1 on failure.
double Timed(const std::string& program, const std::vector<std::string>& args,
             const orlavo::test::Environment& env, const fs::path& folder) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid =
        orlavo::test::StartProgram(program, args, env, folder / "out.txt", folder / "err.txt");
    const orlavo::test::ProgramResult r =
        orlavo::test::FinishProgram(pid, folder / "out.txt", folder / "err.txt");
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (r.exitCode != 0) {
        std::fprintf(stderr, "%s failed (%d): %s\n", program.c_str(), r.exitCode, r.err.c_str());
        return -1;
    }
    return s;
}

void ClearOrders(const orlavo::test::LabProcess& lab) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(lab.ordersDir(), ec))
        fs::remove_all(entry.path(), ec);
}

// The manifests the lab kept of the one order in it, by photo number.
std::vector<fs::path> KeptManifests(const orlavo::test::LabProcess& lab) {
    std::vector<fs::path> manifests;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(lab.ordersDir(), ec);
         it != fs::recursive_directory_iterator(); ++it) {
        if (it->path().extension() == ".xml")
            manifests.push_back(it->path());
    }
    std::sort(manifests.begin(), manifests.end());
    return manifests;
}

// The curl loop: the same requests as orlavo-order's, one curl each.
std::string CurlScript(const orlavo::test::LabProcess& lab, const fs::path& priceRequest,
                       const fs::path& folder, int photos) {
    std::ostringstream s;
    s << "set -e\n"
      << "curl -sS -f -o /dev/null '" << lab.url("/catalogue.xml") << "'\n"
      << "curl -sS -f -o /dev/null -H 'Expect:' -F 'PriceRequest=<" << priceRequest.string()
      << "' '" << lab.url("/price") << "'\n"
      << "for i in $(seq -w 1 " << photos << "); do\n"
      << "  curl -sS -f -o " << (folder / "answer.html").string() << " -H 'Expect:' -F \"file=@"
      << (folder / "photos").string() << "/photo_$i.jpg;type=image/pjpeg\" -F \"transfermanifest=<"
      << (folder / "manifests").string() << "/photo-$i.xml\" '" << lab.url("/upload") << "'\n"
      << "  grep -q DONE " << (folder / "answer.html").string() << "\n"
      << "done\n";
    return s.str();
}

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--photos")
            o.photos = std::clamp(std::atoi(argv[i + 1]), 1, 197);
        else if (a == "--mb")
            o.mb = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--runs")
            o.runs = std::max(1, std::atoi(argv[i + 1]));
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string rowsFile = orlavo::bench::TakeRowsOption(argc, argv);
    const Options options = Parse(argc, argv);
    const fs::path folder =
        fs::temp_directory_path() / ("orlavo-order-bench-" + std::to_string(getpid()));
    fs::create_directories(folder / "photos");
    fs::create_directories(folder / "manifests");
    struct Cleanup {
        fs::path path;
        ~Cleanup() {
            std::error_code ec;
            fs::remove_all(path, ec);
        }
    } cleanup{folder};

    if (!orlavo::test::LabProcess::MakeSamplePhotos(folder / "sample", 1)) {
        std::fprintf(stderr, "orlavo-lab could not make a sample photo\n");
        return 1;
    }
    const std::string sample = Read(fs::directory_iterator(folder / "sample")->path());
    std::vector<std::string> photos;
    // As "seq -w" numbers them in the curl loop.
    const int digits = int(std::to_string(options.photos).size());
    char name[32];
    for (int i = 1; i <= options.photos; ++i) {
        std::snprintf(name, sizeof name, "photo_%0*d.jpg", digits, i);
        const fs::path path = folder / "photos" / name;
        Write(path, Padded(sample, std::size_t(options.mb) * 1000 * 1000, std::uint64_t(i)));
        photos.push_back(path.string());
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
        orlavo::RegistryStore store(orlavo::RegistryRoot("Bench", "OrlavoW"), registry);
        store.setText("DownloadInfo", "DownloadURL", lab.url("/catalogue.xml"));
        store.setText("DownloadInfo", "UploadURL", lab.url("/upload"));
        store.setText("DownloadInfo", "PriceRequestURL", lab.url("/price"));
    }
    Write(folder / "details.txt", kDetails);
    const fs::path priceRequest = folder / "price.xml";
    Write(priceRequest,
          "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><PriceRequest><products><product "
          "id=\"101\" qty=\"" +
              std::to_string(options.photos) +
              "\"/></products><shipping id=\"GB\"/><payment payid=\"6\"/><codes><vouchercode/>"
              "<promocode/></codes></PriceRequest>");

    std::vector<std::string> orderArgs = {
        "--profile", "Bench",          "--details", (folder / "details.txt").string(),
        "--yes",     "--retry-pauses", "",          "--print-all",
        "101:1"};
    orderArgs.insert(orderArgs.end(), photos.begin(), photos.end());
    const orlavo::test::Environment env = {{"ORLAVO_REGISTRY", registry},
                                           {"XDG_STATE_HOME", (folder / "state").string()}};
    const std::string script = CurlScript(lab, priceRequest, folder, options.photos);
    Write(folder / "curl-loop.sh", script);
    const std::vector<std::string> curlArgs = {(folder / "curl-loop.sh").string()};

    // Warm-up: the files in the cache, and the manifests for curl.
    if (Timed(ORLAVO_ORDER_EXECUTABLE, orderArgs, env, folder) < 0)
        return 1;
    const std::vector<fs::path> kept = KeptManifests(lab);
    if (int(kept.size()) != options.photos) {
        std::fprintf(stderr, "the lab kept %zu manifests, not %d\n", kept.size(), options.photos);
        return 1;
    }
    for (int i = 0; i < options.photos; ++i) {
        std::snprintf(name, sizeof name, "photo-%0*d.xml", digits, i + 1);
        fs::copy_file(kept[std::size_t(i)], folder / "manifests" / name,
                      fs::copy_options::overwrite_existing);
    }
    ClearOrders(lab);
    if (Timed("/bin/sh", curlArgs, {}, folder) < 0)
        return 1;
    ClearOrders(lab);

    std::printf("%d photos of %d MB, %u cores, load average %.1f\n", options.photos, options.mb,
                std::thread::hardware_concurrency(), orlavo::bench::LoadAverage());
    std::printf("%-6s %14s %14s %8s\n", "round", "orlavo-order s", "curl loop s", "ratio");
    std::vector<double> ours, theirs;
    for (int r = 0; r < options.runs; ++r) {
        const double a = Timed(ORLAVO_ORDER_EXECUTABLE, orderArgs, env, folder);
        ClearOrders(lab);
        const double b = Timed("/bin/sh", curlArgs, {}, folder);
        ClearOrders(lab);
        if (a < 0 || b < 0)
            return 1;
        ours.push_back(a);
        theirs.push_back(b);
        std::printf("%-6d %14.3f %14.3f %8.2f\n", r + 1, a, b, b / a);
        std::fflush(stdout);
    }

    using namespace orlavo::bench;
    const Spread ratio = Summarize(PairedRatios(theirs, ours));
    std::printf("median ratio (curl loop time / orlavo-order time): %.2f\n", ratio.median);
    if (rowsFile.empty())
        return 0;
    Row row;
    row.id = "order.send";
    row.work = "whole order by orlavo-order, " + std::to_string(options.photos) + " photos of " +
               std::to_string(options.mb) + " MB to orlavo-lab";
    row.orlavo = Figure(Summarize(ours), "s", 2);
    row.peer = "curl loop " + Figure(Summarize(theirs), "s", 2);
    row.ratio = Figure(ratio, "", 2);
    row.goal = ">= 0.95";
    row.pass = ratio.count > 0 && Goal{Goal::Kind::AtLeast, 0.95}.metBy(ratio.median);
    row.note = std::to_string(options.runs) +
               " rounds, alternating; catalogue, price and uploads on both sides";
    return AppendRow(rowsFile, row) ? 0 : 1;
}
