#include "platform/Diagnostics.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace orlavo {

namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
}

// A plain file name: no folder part, nothing that climbs out of the folder.
bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

}  // namespace

std::string DiagnosticsFolder() {
    std::string state;
    if (const char* v = std::getenv("XDG_STATE_HOME"))
        state = v;
    // A relative value is to be ignored.
    if (state.empty() || state[0] != '/')
        state = HomeFolder() + "/.local/state";
    return state + "/Vennara/OrlavoW/";
}

bool AppendDiagnostic(std::string_view fileName, std::string_view bytes) noexcept {
    try {
        if (!IsPlainName(fileName))
            return false;
        const std::string folder = DiagnosticsFolder();
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec)
            return false;
        // The dumps may hold customer details: readable by the user only.
        const std::string path = folder + std::string(fileName);
        // Non-blocking, so that a pipe in the file's place cannot hold the caller up.
        int fd = ::open(path.c_str(),
                        O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (fd < 0)
            return false;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return false;
        }
        const char* p = bytes.data();
        std::size_t left = bytes.size();
        bool ok = true;
        while (left > 0) {
            ssize_t n = ::write(fd, p, left);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                ok = false;
                break;
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        if (::close(fd) != 0)
            ok = false;
        return ok;
    } catch (...) {
        return false;
    }
}

}  // namespace orlavo
