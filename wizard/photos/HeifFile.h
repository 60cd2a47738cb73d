#pragma once
// The HEIF reader behind PhotoFile, over libheif.

#include <cstddef>
#include <memory>
#include <string>

#include "wizard/photos/PhotoFile.h"

namespace orlavo::wizard {

// PATH or DATA (one of the two; DATA kept by the caller); null when libheif
// cannot read the file's structure or it has no primary picture.
std::unique_ptr<PhotoFile> OpenHeif(const std::string& path, const unsigned char* data,
                                    std::size_t size);

}  // namespace orlavo::wizard
