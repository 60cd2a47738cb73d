#pragma once
// Runs the reference lab server (orlavo-lab) as a child process for a test:
// started on a free loopback port with a data folder, stopped at the latest
// when the object goes. Never leaves a process behind: the destructor
// terminates it, kills it if it does not end, and waits for it; on Linux the
// child also ends when the test process dies.
//
//   orlavo::test::LabProcess lab(tempDir, {"--refuse-photo", "2"});
//   ASSERT_TRUE(lab.running()) << lab.error();
//   httplib::Client client(lab.host(), lab.port());   // or lab.url("/catalogue.xml")
//
// The lab serves DATADIR/catalogue.xml (its demo catalogue when absent), takes
// voucher and promotion codes from DATADIR/offers.xml (demo codes when absent)
// and the update files from DATADIR/update/; write them before starting.
// Accepted photos land in ordersDir()/<uniqueid>/ as "photo-001-<name>" with
// "photo-001.xml", the manifest as kept (card masked, security code dropped).
// Addresses: /catalogue.xml, /price, /upload, /album, /help, /terms,
// /update/auto_update.xml, /update/files/<name>.
//
// Not thread-safe: use one object from one thread.

#include <sys/types.h>
#include <csignal>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace orlavo::test {

class LabProcess {
public:
    // Starts "orlavo-lab --data DATADIR --port 0 EXTRAARGS..." and waits until
    // it names its address (or ends).
    explicit LabProcess(std::filesystem::path dataDir, std::vector<std::string> extraArgs = {});
    ~LabProcess();
    LabProcess(const LabProcess&) = delete;
    LabProcess& operator=(const LabProcess&) = delete;

    // True once the lab named its address and until stop().
    bool running() const { return pid_ > 0 && port_ > 0; }
    // Why the lab did not start, empty otherwise.
    const std::string& error() const { return error_; }

    std::string host() const { return "127.0.0.1"; }
    int port() const { return port_; }
    // The lab's process id while it runs, for looking at it in /proc.
    pid_t pid() const { return pid_; }
    // "http://127.0.0.1:PORT" followed by PATH.
    std::string url(std::string_view path = "/") const;
    const std::filesystem::path& dataDir() const { return dataDir_; }
    std::filesystem::path ordersDir() const { return dataDir_ / "orders"; }

    // Asks the lab to stop with SIGNAL (SIGTERM by default; SIGINT works too)
    // and waits; kills it when it does not end within a few seconds. Gives its
    // exit status, -1 when it was killed by a signal or did not run. Further
    // calls give -1.
    int stop(int signal = SIGTERM);

    // The orlavo-lab program that was built with the tests.
    static std::string Executable();

    // Runs "orlavo-lab --make-sample-photos DIR COUNT" to its end; true when it
    // succeeded.
    static bool MakeSamplePhotos(const std::filesystem::path& dir, int count);

private:
    void readAddress(int fd);

    std::filesystem::path dataDir_;
    pid_t pid_ = -1;
    int port_ = 0;
    std::string error_;
    std::thread drain_;  // reads the rest of the lab's output so it never blocks
};

}  // namespace orlavo::test
