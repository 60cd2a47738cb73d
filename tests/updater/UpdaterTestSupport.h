#pragma once
// Shared set-up of the updater's tests against a real lab: a sandbox with the
// lab's folder, an installation folder, a temporary folder for the runs and a
// settings store; files written with or without a FileVersion; and a way to
// run a built program as another user.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/RegistryRoot.h"
#include "platform/RegistryStore.h"
#include "tests/support/LabProcess.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TempDir.h"
#include "updater/UpdateObserver.h"
#include "updater/UpdateSession.h"

namespace orlavo::updatertest {

namespace fs = std::filesystem;

// Bytes that carry VERSION ("2, 0, 0, 16") the way our programs carry theirs.
inline std::string Versioned(const std::string& version, std::string_view filler = "program") {
    return std::string(filler) + std::string(1, '\x01') + "OrlavoFileVersion" + '\x02' + version +
           '\0' + std::string(filler);
}

inline void WriteBytes(const fs::path& path, std::string_view bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string Replaced(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Every file below FOLDER, relative, sorted.
inline std::vector<std::string> FilesBelow(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().lexically_relative(folder).generic_string());
    std::sort(names.begin(), names.end());
    return names;
}

// Records what a run reports.
struct RecordingObserver : updater::UpdateObserver {
    int steps = -1;
    int stepsDone = 0;
    std::vector<std::string> received;  // file names, once each, in order
    std::vector<std::string> copied;
    std::vector<std::string> failures;
    std::function<void(const std::string&)> onReceiving;
    std::function<void(const std::string&)> onCopying;

    void installStarted(int n) override { steps = n; }
    void stepDone() override { ++stepsDone; }
    void receiving(const std::string& name, std::uint64_t, std::uint64_t) override {
        if (received.empty() || received.back() != name)
            received.push_back(name);
        if (onReceiving)
            onReceiving(name);
    }
    void copying(const std::string& name) override {
        copied.push_back(name);
        if (onCopying)
            onCopying(name);
    }
    void failed(const std::string& name, const std::string& text) override {
        failures.push_back(name + ": " + text);
    }
};

class UpdaterLabTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const fs::path& p : {filesDir(), installDir(), tempRoot()})
            fs::create_directories(p);
    }

    // Starts the lab with EXTRA_ARGS; a failed start fails the test.
    void startLab(std::vector<std::string> extraArgs = {}) {
        lab_.reset();
        lab_ = std::make_unique<test::LabProcess>(labDir(), std::move(extraArgs));
        ASSERT_TRUE(lab_->running()) << lab_->error();
    }

    fs::path labDir() const { return sandbox_.path() / "lab"; }
    fs::path filesDir() const { return labDir() / "update" / "files"; }
    fs::path installDir() const { return sandbox_.path() / "install"; }
    fs::path tempRoot() const { return sandbox_.path() / "tmp"; }
    std::string registryPath() const { return (sandbox_.path() / "registry.sqlite3").string(); }
    std::string registryRoot() const { return UpdaterRegistryRoot("Branch12"); }
    std::string filesUrl() const { return lab_->url("/update/files/"); }
    std::string manifestUrl() const { return lab_->url("/update/auto_update.xml"); }

    // The manifest the lab serves; "$FILES" stands for the files' address.
    void writeManifest(const std::string& xml) const {
        WriteBytes(labDir() / "update" / "auto_update.xml", Replaced(xml, "$FILES", filesUrl()));
    }
    void serve(const std::string& name, std::string_view bytes) const {
        WriteBytes(filesDir() / name, bytes);
    }
    void install(const std::string& name, std::string_view bytes) const {
        WriteBytes(installDir() / name, bytes);
    }
    std::string installed(const std::string& name) const {
        return test::ReadFile(installDir() / name);
    }

    updater::UpdateSettings settings() const {
        updater::UpdateSettings s;
        s.installFolder = installDir().string() + "/";
        s.updateUrl = manifestUrl();
        s.registryRoot = registryRoot();
        s.registryPath = registryPath();
        s.tempRoot = tempRoot();
        return s;
    }
    RegistryStore registry() const { return RegistryStore(registryRoot(), registryPath()); }

    test::TempDir sandbox_{"orlavo-updater"};  // declared first: goes last
    std::unique_ptr<test::LabProcess> lab_;
};

// Runs PROGRAM with ARGS to its end; when the tests run as root, as the user
// "nobody", so that file permissions apply to it. OUT receives its output.
inline int RunUnprivileged(const std::string& program, std::vector<std::string> args,
                           const fs::path& out) {
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const bool root = geteuid() == 0;
    pid_t pid = fork();
    if (pid == 0) {
        int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        dup2(o, 1);
        dup2(o, 2);
        if (root && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(90);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Gives PATH and everything below it to the user the unprivileged runs use.
inline void GiveToUnprivileged(const fs::path& path) {
    if (geteuid() != 0)
        return;
    std::error_code ec;
    chown(path.c_str(), 65534, 65534);
    for (fs::recursive_directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
        lchown(it->path().c_str(), 65534, 65534);
}

}  // namespace orlavo::updatertest
