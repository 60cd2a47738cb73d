#include "tests/support/LabProcess.h"

#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <cerrno>
#include <chrono>

namespace orlavo::test {

namespace {

constexpr int kStartTimeoutMs = 30000;
constexpr int kStopTimeoutMs = 10000;

// Waits for PID to end within TIMEOUTMS; true with its status when it did.
bool WaitFor(pid_t pid, int timeoutMs, int& status) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return true;
        if (r < 0 && errno != EINTR)
            return true;  // not our child any more
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

pid_t Spawn(const std::vector<std::string>& args, int stdoutFd) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here to exec.
#ifdef __linux__
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
#else
        (void)parent;
#endif
        if (stdoutFd >= 0)
            ::dup2(stdoutFd, STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

}  // namespace

std::string LabProcess::Executable() {
    return ORLAVO_LAB_EXECUTABLE;
}

LabProcess::LabProcess(std::filesystem::path dataDir, std::vector<std::string> extraArgs)
    : dataDir_(std::move(dataDir)) {
    std::vector<std::string> args = {Executable(), "--data", dataDir_.string(), "--port", "0"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error_ = "cannot make a pipe";
        return;
    }
    pid_ = Spawn(args, fds[1]);
    ::close(fds[1]);
    if (pid_ < 0) {
        ::close(fds[0]);
        error_ = "cannot start " + Executable();
        return;
    }
    readAddress(fds[0]);
    // The rest of its output is read and dropped until it ends.
    drain_ = std::thread([fd = fds[0]] {
        char buf[4096];
        while (true) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                continue;
            if (n < 0 && errno == EINTR)
                continue;
            break;
        }
        ::close(fd);
    });
    if (port_ <= 0)
        stop();
}

LabProcess::~LabProcess() {
    stop();
}

void LabProcess::readAddress(int fd) {
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (line.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            error_ = "orlavo-lab did not name its address in time";
            return;
        }
        pollfd p{fd, POLLIN, 0};
        int rc = ::poll(&p, 1, static_cast<int>(left));
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc <= 0)
            continue;
        char c[256];
        ssize_t n = ::read(fd, c, sizeof c);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error_ = "orlavo-lab ended before it listened (see its messages above)";
            return;
        }
        line.append(c, static_cast<std::size_t>(n));
    }
    line.erase(line.find('\n'));
    // "orlavo-lab listening on http://127.0.0.1:PORT/"
    std::size_t colon = line.rfind(':');
    if (line.find("listening on http://") == std::string::npos || colon == std::string::npos) {
        error_ = "unexpected first line from orlavo-lab: " + line;
        return;
    }
    int port = 0;
    for (std::size_t i = colon + 1; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
        port = port * 10 + (line[i] - '0');
    if (port <= 0 || port > 65535) {
        error_ = "no port in the first line from orlavo-lab: " + line;
        return;
    }
    port_ = port;
}

std::string LabProcess::url(std::string_view path) const {
    return "http://" + host() + ":" + std::to_string(port_) + std::string(path);
}

int LabProcess::stop(int signal) {
    int result = -1;
    if (pid_ > 0) {
        int status = 0;
        ::kill(pid_, signal);
        if (!WaitFor(pid_, kStopTimeoutMs, status)) {
            ::kill(pid_, SIGKILL);
            WaitFor(pid_, kStopTimeoutMs, status);
        } else if (WIFEXITED(status)) {
            result = WEXITSTATUS(status);
        }
        pid_ = -1;
    }
    port_ = 0;
    if (drain_.joinable())
        drain_.join();
    return result;
}

bool LabProcess::MakeSamplePhotos(const std::filesystem::path& dir, int count) {
    int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    pid_t pid =
        Spawn({Executable(), "--make-sample-photos", dir.string(), std::to_string(count)}, devnull);
    if (devnull >= 0)
        ::close(devnull);
    if (pid < 0)
        return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace orlavo::test
