// A resource bundle beside the program, damaged or foreign: refused, or read
// within its bounds, with its string table and version.

#include <cstdint>
#include <string>
#include <string_view>

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/RccArchive.h"
#include "platform/ResourceBundle.h"
#include "platform/StringTable.h"
#include "tests/fuzz/targets/FuzzCheck.h"

namespace {

// One file per process, written for each input: the program's start reads
// its bundle from a path.
const std::string& BundlePath() {
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        return std::string(tmp && *tmp ? tmp : "/tmp") + "/orlavo-fuzz-bundle-" +
               std::to_string(::getpid()) + ".rcc";
    }();
    return path;
}

// What the program does at start with a bundle at PATH: open it, check its
// version against its own, and take its strings.
void StartWith(std::string_view bytes) {
    {
        std::ofstream out(BundlePath(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    orlavo::ResourceSet set("1\tbuilt in\n", ":/wizard");
    const auto check = set.load(BundlePath(), "2.0.44.3", true);
    // Read whole by now; libFuzzer may end the process without destructors.
    std::remove(BundlePath().c_str());
    if (check == orlavo::BundleCheck::Accepted) {
        FUZZ_CHECK(set.usingBundle());
        (void)set.str(1);
        (void)set.file("icons/128.png");
    } else {
        FUZZ_CHECK(!set.usingBundle());
        FUZZ_CHECK(set.str(1) == "built in");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    StartWith(std::string_view(reinterpret_cast<const char*>(data), size));
    auto archive =
        orlavo::RccArchive::Parse(std::string(reinterpret_cast<const char*>(data), size));
    if (!archive)
        return 0;
    // The entry count is bounded by the bytes that describe the entries.
    FUZZ_CHECK(archive->fileCount() <= size);
    for (std::string_view name : {"FileVersion", "strings.tsv", "icons", "icons/128.png",
                                  "bitmaps/129.png", "", "/", "../strings.tsv", "a/../b"}) {
        if (auto f = archive->file(name)) {
            // zlib cannot unpack more than about 1032 bytes from one.
            FUZZ_CHECK(f->size() <= size * 1100 + 64);
        }
    }
    if (auto table = archive->file("strings.tsv")) {
        const auto strings = orlavo::StringTable::Parse(*table);
        FUZZ_CHECK(strings.size() <= table->size());
    }
    return 0;
}
