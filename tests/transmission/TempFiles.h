#pragma once
// A temporary folder for one test, removed with everything in it.

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace orlavo::test {

class TempFolder {
public:
    TempFolder() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() /
                ("orlavo-tx-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes BYTES to NAME in the folder; gives the full path.
    std::string write(std::string_view name, std::string_view bytes) const {
        std::filesystem::path p = path_ / std::string(name);
        std::ofstream out(p, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }

private:
    std::filesystem::path path_;
};

// COUNT bytes running through all 256 values.
inline std::string PatternBytes(std::size_t count) {
    std::string s(count, '\0');
    for (std::size_t i = 0; i < count; ++i) {
        s[i] = static_cast<char>(i * 7 + 3);
    }
    return s;
}

}  // namespace orlavo::test
