#include "wizard/photos/SelectionTexts.h"

#include <cstdio>

namespace orlavo::wizard {

namespace {
constexpr std::uint64_t kMbThreshold = 1024000;
}

std::string SizeLabelText(std::uint64_t bytes, std::string_view kb, std::string_view mb) {
    char number[64];
    if (bytes > kMbThreshold) {
        std::snprintf(number, sizeof number, " %.2f ", static_cast<double>(bytes) / 1048576.0);
        return number + std::string(mb);
    }
    std::snprintf(number, sizeof number, " %llu ",
                  static_cast<unsigned long long>((bytes + 512) / 1024));
    return number + std::string(kb);
}

std::string CountLabelText(std::size_t selected, std::size_t inFolder, std::string_view one,
                           std::string_view many, std::string_view inFolderFormat) {
    return " " + std::to_string(selected) + " " + std::string(selected == 1 ? one : many) +
           FillNumber(inFolderFormat, static_cast<long long>(inFolder));
}

std::string FileSizeText(std::uint64_t bytes, std::string_view kb) {
    return std::to_string((bytes + 512) / 1024) + " " + std::string(kb);
}

std::string DimensionsText(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

std::string FillNumber(std::string_view text, long long value) {
    std::string out(text);
    const std::size_t at = out.find("%d");
    if (at != std::string::npos)
        out.replace(at, 2, std::to_string(value));
    return out;
}

}  // namespace orlavo::wizard
