#include "common/StartArguments.h"

#include <filesystem>
#include <system_error>

namespace orlavo {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string Absolute(const std::string& path, const std::string& folder) {
    if (!path.empty() && path[0] == '/')
        return path;
    if (folder.empty() || folder.back() == '/')
        return folder + path;
    return folder + "/" + path;
}

}  // namespace

std::string LocalPathOfFileUri(const std::string& uri) {
    std::string rest;
    if (uri.rfind("file:///", 0) == 0)
        rest = uri.substr(7);
    else if (uri.rfind("file://localhost/", 0) == 0)
        rest = uri.substr(16);
    else
        return {};
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size()) {
            const int hi = HexValue(rest[i + 1]), lo = HexValue(rest[i + 2]);
            if (hi < 0 || lo < 0)
                return {};
            path += char(hi * 16 + lo);
            i += 2;
        } else if (rest[i] == '%' || rest[i] == '?' || rest[i] == '#') {
            return {};
        } else {
            path += rest[i];
        }
    }
    // A name with a NUL in it names nothing.
    if (path.find('\0') != std::string::npos)
        return {};
    return path;
}

StartArguments ParseStartArguments(const std::vector<std::string>& argv,
                                   const std::string& workingFolder, const PathTest& isFile,
                                   const PathTest& exists) {
    StartArguments result;
    bool first = true;
    for (std::size_t i = 1; i < argv.size(); ++i) {
        std::string a = argv[i];
        if (a.empty() || a[0] == '-')
            continue;
        if (const std::string local = LocalPathOfFileUri(a); !local.empty()) {
            a = local;
        } else if (a[0] == '/') {
            // "/x" switches of old; "/home/u/a.jpg" or anything there is a path.
            if (a.find('/', 1) == std::string::npos && !exists(a))
                continue;
        } else if (first && !isFile(Absolute(a, workingFolder))) {
            result.profile = a;
            first = false;
            continue;
        }
        first = false;
        result.files.push_back(Absolute(a, workingFolder));
    }
    return result;
}

StartArguments ParseStartArguments(const std::vector<std::string>& argv) {
    std::error_code ec;
    const std::string folder = std::filesystem::current_path(ec).string();
    return ParseStartArguments(
        argv, folder,
        [](const std::string& p) {
            std::error_code e;
            return std::filesystem::exists(p, e) && !std::filesystem::is_directory(p, e);
        },
        [](const std::string& p) {
            std::error_code e;
            return std::filesystem::exists(p, e);
        });
}

}  // namespace orlavo
