// Raw bytes on one connection to a real lab server in this process: the
// HTTP library's request and multipart parsing, the lab's routes, the upload
// store and the album's thumbnails. One input may hold several requests
// (keep-alive), so an upload and the album request that reads it back can
// be found together. Every connection must be answered or closed: a server
// thread that crashes or hangs is the fault.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include "lab/LabOptions.h"
#include "lab/LabServer.h"
#include "tests/fuzz/targets/FuzzCheck.h"

namespace fs = std::filesystem;

namespace {

// One input must not cost the server this much processor time: every
// request it holds is a few kilobytes. Wall-clock time alone would blame
// the server for a machine that is busy with other work.
constexpr double kCpuLimitSeconds = 20;
// A server that neither answers nor works for this long is stuck.
constexpr double kWallLimitSeconds = 300;

// Processor time of the whole process, every thread of the server included.
double CpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The lab's data folder of this process, under one parent for all. libFuzzer
// may end a process without destructors, so each start removes the folders
// of processes that are gone.
fs::path DataFolder() {
    const char* tmp = std::getenv("TMPDIR");
    const fs::path parent = fs::path(tmp && *tmp ? tmp : "/tmp") / "orlavo-fuzz-lab";
    std::error_code ec;
    fs::create_directories(parent, ec);
    for (const auto& entry : fs::directory_iterator(parent, ec)) {
        const std::string name = entry.path().filename().string();
        const long pid = std::strtol(name.c_str(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            fs::remove_all(entry.path(), ec);
    }
    const fs::path dir = parent / std::to_string(::getpid());
    fs::remove_all(dir, ec);
    fs::create_directories(dir, ec);
    FUZZ_CHECK(!ec);
    return dir;
}

class RunningLab {
public:
    RunningLab() {
        dir_ = DataFolder();
        orlavo::lab::LabOptions options;
        options.dataDir = dir_;
        options.port = 0;
        server_ = std::make_unique<orlavo::lab::LabServer>(options);
        const std::string error = server_->start();
        if (!error.empty()) {
            std::fprintf(stderr, "ERROR: lab: %s\n", error.c_str());
            std::abort();
        }
        thread_ = std::thread([this] { server_->run(); });
        for (int i = 0; i < 2000 && !server_->isRunning(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        FUZZ_CHECK(server_->isRunning());
    }
    ~RunningLab() {
        server_->stop();
        thread_.join();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    RunningLab(const RunningLab&) = delete;
    RunningLab& operator=(const RunningLab&) = delete;

    int port() const { return server_->port(); }

    // The store lives on disk only: emptying it makes each input stand on
    // its own, so that a crash case replays alone.
    void clearOrders() const {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir_ / "orders", ec))
            fs::remove_all(entry.path(), ec);
    }

private:
    fs::path dir_;
    std::unique_ptr<orlavo::lab::LabServer> server_;
    std::thread thread_;
};

std::unique_ptr<RunningLab>& Lab() {
    static std::unique_ptr<RunningLab> lab;
    return lab;
}

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

// Sends BYTES, ends the sending side and reads until the server closes.
// False when the server neither answers nor closes in time.
bool Exchange(int port, const std::uint8_t* data, std::size_t size) {
    Fd s{::socket(AF_INET, SOCK_STREAM, 0)};
    FUZZ_CHECK(s.fd >= 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    FUZZ_CHECK(::connect(s.fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0);
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(s.fd, data + sent, size - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;  // the server may close early on a bad request
        sent += static_cast<std::size_t>(n);
    }
    ::shutdown(s.fd, SHUT_WR);
    char buffer[16384];
    const double wall = WallSeconds();
    const double cpu = CpuSeconds();
    for (;;) {
        pollfd p{s.fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, 1000);
        if (ready < 0)
            return false;
        if (ready == 0) {
            if (CpuSeconds() - cpu > kCpuLimitSeconds || WallSeconds() - wall > kWallLimitSeconds)
                return false;
            continue;
        }
        const ssize_t n = ::recv(s.fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return true;
    }
}

}  // namespace

// An exception that escapes a server thread ends the process; say which.
[[noreturn]] void Terminated() {
    const char* what = "unknown";
    try {
        if (auto e = std::current_exception())
            std::rethrow_exception(e);
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
    }
    std::fprintf(stderr, "ERROR: terminate: %s\n", what);
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto previous = std::set_terminate(Terminated);
    (void)previous;
    if (!Lab())
        Lab() = std::make_unique<RunningLab>();
    Lab()->clearOrders();
    if (!Exchange(Lab()->port(), data, size)) {
        std::fprintf(stderr, "ERROR: the lab neither answered nor closed the connection in time\n");
        std::abort();
    }
    return 0;
}
