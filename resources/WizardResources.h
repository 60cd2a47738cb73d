#pragma once
// The wizard's resources: compiled-in English, or Resources.rcc when accepted.

#include <string>
#include <string_view>

#include "platform/ResourceBundle.h"

namespace orlavo::wizard {

std::string_view BuiltinStringText();

// The process's resource set; replaced only during start-up.
ResourceSet& Resources();

// A text of the string table in use.
inline std::string Str(int id) {
    return Resources().str(id);
}

}  // namespace orlavo::wizard
