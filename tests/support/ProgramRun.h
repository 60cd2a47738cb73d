#pragma once
// Runs one of the built programs as a child process for a test: standard
// input from /dev/null, its output in files (so nothing blocks), extra
// environment variables set in the child only.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace orlavo::test {

struct ProgramResult {
    int exitCode = -1;  // -1 when it did not end normally
    std::string out;
    std::string err;
};

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

using Environment = std::vector<std::pair<std::string, std::string>>;

// Starts PROGRAM with ARGS (argv[0] is added); OUT and ERR receive its output.
// UNPRIVILEGED: when the tests run as root, the program runs as "nobody", so
// that file permissions apply to it.
inline pid_t StartProgram(const std::string& program, std::vector<std::string> args,
                          const Environment& env, const std::filesystem::path& out,
                          const std::filesystem::path& err, bool unprivileged = false) {
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int i = open("/dev/null", O_RDONLY);
        int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(i, 0);
        dup2(o, 1);
        dup2(e, 2);
        for (const auto& [name, value] : env)
            setenv(name.c_str(), value.c_str(), 1);
        if (unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(126);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

// Waits for PID and collects what it wrote to OUT and ERR.
inline ProgramResult FinishProgram(pid_t pid, const std::filesystem::path& out,
                                   const std::filesystem::path& err) {
    ProgramResult r;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        r.exitCode = WEXITSTATUS(status);
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    return r;
}

inline ProgramResult RunProgram(const std::string& program, std::vector<std::string> args,
                                const Environment& env, const std::filesystem::path& folder,
                                bool unprivileged = false) {
    const auto out = folder / "program.out";
    const auto err = folder / "program.err";
    return FinishProgram(StartProgram(program, std::move(args), env, out, err, unprivileged), out,
                         err);
}

}  // namespace orlavo::test
