// orlavo-manpage: runs a built tool with --help and writes its manual page,
// compressed, for the build (see cmake/OrlavoInstall.cmake). Not installed.
//   orlavo-manpage --program PATH --name NAME --summary TEXT --source TEXT
//                  --manual TEXT [--see-also PAGE]... --output FILE.gz
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "tools/man/HelpToMan.h"

extern char** environ;

namespace {

// The standard output of PROGRAM --help; false when it cannot be run or fails.
bool RunHelp(const std::string& program, std::string& out) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::string help = "--help";
    std::string path = program;
    char* argv[] = {path.data(), help.data(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned == 0) {
        char buf[4096];
        ssize_t n = 0;
        while ((n = read(pipeFds[0], buf, sizeof buf)) > 0)
            out.append(buf, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0 && !out.empty();
}

// Writes TEXT gzip-compressed at the highest level, without a time stamp
// or file name in the header, so that builds give the same bytes.
bool WriteCompressed(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".part";
    gzFile f = gzopen(temporary.c_str(), "wb9");
    if (!f)
        return false;
    const bool written = gzwrite(f, text.data(), static_cast<unsigned>(text.size())) ==
                         static_cast<int>(text.size());
    const bool closed = gzclose(f) == Z_OK;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> options;
    orlavo::man::PageInfo info;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--see-also")
            info.seeAlso.push_back(argv[i + 1]);
        else
            options[key] = argv[i + 1];
    }
    for (const char* required : {"--program", "--name", "--summary", "--output"}) {
        if (options[required].empty()) {
            std::cerr << "orlavo-manpage: " << required << " is required\n";
            return 2;
        }
    }
    info.name = options["--name"];
    info.summary = options["--summary"];
    info.source = options["--source"];
    info.manual = options["--manual"];
    std::string help;
    if (!RunHelp(options["--program"], help)) {
        std::cerr << "orlavo-manpage: " << options["--program"] << " --help did not succeed\n";
        return 1;
    }
    if (!WriteCompressed(options["--output"], orlavo::man::HelpToMan(help, info))) {
        std::cerr << "orlavo-manpage: cannot write " << options["--output"] << "\n";
        return 1;
    }
    return 0;
}
