#pragma once
// TLS on loopback for tests, made with the openssl tool: a certificate
// authority of the test's own, certificates it signs, and "openssl s_server"
// serving one of them. The server answers nothing; it writes what it
// receives to its standard output, which the test reads.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>

namespace orlavo::test {

// Runs an openssl command line quietly; true when it succeeded.
inline bool RunOpenssl(const std::string& arguments) {
    std::string line = "openssl " + arguments + " >/dev/null 2>&1";
    return std::system(line.c_str()) == 0;
}

struct ServerCertificate {
    std::string cert;
    std::string key;
};

// Quoted for the shell; the paths are the test's own temporary ones.
inline std::string Quoted(const std::filesystem::path& p) {
    return "'" + p.string() + "'";
}

// A certificate authority in FOLDER, made when constructed.
class TestAuthority {
public:
    explicit TestAuthority(const std::filesystem::path& folder) : folder_(folder) {
        cert_ = (folder_ / "ca.pem").string();
        key_ = (folder_ / "ca.key").string();
        ok_ = RunOpenssl(
            "req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
            "-subj '/CN=Orlavo Test Authority' -addext basicConstraints=critical,CA:TRUE "
            "-addext keyUsage=critical,keyCertSign -keyout " +
            Quoted(key_) + " -out " + Quoted(cert_));
    }

    bool ok() const { return ok_; }
    // The authority's certificate: the file a client trusts.
    const std::string& file() const { return cert_; }

    // A server certificate, files named after NAME, with COMMON_NAME as its
    // subject and ALT_NAMES ("IP:127.0.0.1,DNS:localhost") as the names it
    // covers; empty paths on failure.
    ServerCertificate Certify(const std::string& name, const std::string& commonName,
                              const std::string& altNames) const {
        std::filesystem::path cert = folder_ / (name + ".pem");
        std::filesystem::path key = folder_ / (name + ".key");
        std::filesystem::path request = folder_ / (name + ".csr");
        std::filesystem::path extensions = folder_ / (name + ".ext");
        {
            std::ofstream ext(extensions);
            ext << "subjectAltName=" << altNames << "\nbasicConstraints=CA:FALSE\n";
        }
        bool made =
            RunOpenssl(
                "req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
                "-subj '/CN=" +
                commonName + "' -keyout " + Quoted(key) + " -out " + Quoted(request)) &&
            RunOpenssl("x509 -req -days 1 -in " + Quoted(request) + " -CA " + Quoted(cert_) +
                       " -CAkey " + Quoted(key_) + " -set_serial 0x" + std::to_string(++serial_) +
                       " -extfile " + Quoted(extensions) + " -out " + Quoted(cert));
        if (!made) {
            return {};
        }
        return {cert.string(), key.string()};
    }

    // True when CERT's chain checks out against this authority (names aside).
    bool Signed(const ServerCertificate& server) const {
        return RunOpenssl("verify -CAfile " + Quoted(cert_) + " " + Quoted(server.cert));
    }

private:
    std::filesystem::path folder_;
    std::string cert_;
    std::string key_;
    bool ok_ = false;
    mutable int serial_ = 0;
};

// "openssl s_server" on 127.0.0.1 at a port the system picks, stopped when
// the object goes (or by Stop). Its input is a pipe that is never written,
// so it sends nothing and keeps each connection open.
class TlsTestServer {
public:
    TlsTestServer(const std::string& cert, const std::string& key) {
        int out[2];
        int in[2];
        if (cert.empty() || pipe2(out, O_CLOEXEC) != 0) {
            return;
        }
        if (pipe2(in, O_CLOEXEC) != 0) {
            close(out[0]);
            close(out[1]);
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, 2);
            execlp("openssl", "openssl", "s_server", "-accept", "127.0.0.1:0", "-cert",
                   cert.c_str(), "-key", key.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        input_ = in[1];
        output_ = out[0];
        if (pid_ < 0) {
            return;
        }
        // A line names the address: "ACCEPT 127.0.0.1:PORT".
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (port_ == 0 && !closed_ && ReadSome(deadline)) {
            std::size_t end;
            while (port_ == 0 && (end = received_.find('\n')) != std::string::npos) {
                std::string line = received_.substr(0, end);
                received_.erase(0, end + 1);
                std::size_t colon = line.rfind(':');
                if (line.rfind("ACCEPT", 0) == 0 && colon != std::string::npos) {
                    port_ = std::atoi(line.c_str() + colon + 1);
                }
            }
        }
    }
    ~TlsTestServer() {
        Stop();
        if (input_ >= 0) {
            close(input_);
        }
        if (output_ >= 0) {
            close(output_);
        }
    }
    TlsTestServer(const TlsTestServer&) = delete;
    TlsTestServer& operator=(const TlsTestServer&) = delete;

    // 0 when the server did not start.
    int port() const { return port_; }
    std::string url(std::string_view target) const {
        return "https://127.0.0.1:" + std::to_string(port_) + std::string(target);
    }

    // Collects the server's output until it contains NEEDLE, or FINISHED
    // (the client's side is done) holds and nothing more is waiting, or
    // 20 seconds pass. Gives everything received since the start.
    const std::string& ReadUntil(std::string_view needle, const std::function<bool()>& finished) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (received_.find(needle) == std::string::npos && !closed_) {
            bool done = finished();
            if (!ReadSome(done ? std::chrono::steady_clock::now() : deadline, 50) && done) {
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                break;
            }
        }
        return received_;
    }

    // Ends the server, and with it any connection it holds.
    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    // Appends what the server wrote; waits at most SLICE_MS (but not past
    // DEADLINE) for it. False when nothing came.
    bool ReadSome(std::chrono::steady_clock::time_point deadline, int sliceMs = 20000) {
        if (output_ < 0) {
            return false;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        int wait = static_cast<int>(std::max<long long>(0, std::min<long long>(left, sliceMs)));
        pollfd ready{output_, POLLIN, 0};
        if (poll(&ready, 1, wait) != 1) {
            return false;
        }
        char buffer[4096];
        ssize_t n = read(output_, buffer, sizeof buffer);
        if (n <= 0) {
            closed_ = true;
            return false;
        }
        received_.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    int port_ = 0;
    bool closed_ = false;
    std::string received_;
};

}  // namespace orlavo::test
