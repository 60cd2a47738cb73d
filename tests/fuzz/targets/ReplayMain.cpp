// Feeds every file of the given folders to a fuzz target once, as libFuzzer
// would, so that the seeds and the crash cases run in the normal test suite.
// Fails when a folder that must hold seeds is empty or missing: a corpus
// that silently vanished would leave nothing tested.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS [REGRESSIONS]\n", argv[0]);
        return 2;
    }
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    int replayed = 0;
    for (int a = 1; a < argc; ++a) {
        const fs::path folder = argv[a];
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) {
            // The regressions folder exists only once something was found.
            if (a == 1) {
                std::fprintf(stderr, "no seed folder %s\n", folder.c_str());
                return 1;
            }
            continue;
        }
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(folder, ec))
            if (e.is_regular_file())
                files.push_back(e.path());
        std::sort(files.begin(), files.end());
        if (a == 1 && files.empty()) {
            std::fprintf(stderr, "no seeds in %s\n", folder.c_str());
            return 1;
        }
        for (const fs::path& file : files) {
            std::ifstream in(file, std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
            if (!in.good() && !in.eof()) {
                std::fprintf(stderr, "cannot read %s\n", file.c_str());
                return 1;
            }
            std::fprintf(stderr, "%s\n", file.c_str());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size());
            ++replayed;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    return 0;
}
