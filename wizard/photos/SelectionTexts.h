#pragma once
// The texts of the photo page that are worked out from numbers: the size
// and count labels and the list view's "File Size" and "Image Dimensions".
// The words themselves come from the string table.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orlavo::wizard {

// Above 1,024,000 bytes " 0.98 MB" (a megabyte of 1,048,576 bytes, two
// decimals), otherwise " 1000 KB" (kilobytes rounded to the nearest).
std::string SizeLabelText(std::uint64_t bytes, std::string_view kb, std::string_view mb);

// " 2 Photos Selected (1 in the current directory)": ONE or MANY by the count,
// then IN_FOLDER with its "%d" replaced by the number ticked in the folder.
std::string CountLabelText(std::size_t selected, std::size_t inFolder, std::string_view one,
                           std::string_view many, std::string_view inFolderFormat);

// "1200 KB": kilobytes rounded half up.
std::string FileSizeText(std::uint64_t bytes, std::string_view kb);

// "4000 x 3000".
std::string DimensionsText(int width, int height);

// TEXT with its first "%d" replaced by VALUE (texts may come from a
// translator's bundle, so they are never used as printf formats).
std::string FillNumber(std::string_view text, long long value);

}  // namespace orlavo::wizard
