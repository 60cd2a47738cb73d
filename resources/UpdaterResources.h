#pragma once
// The updater's resources: compiled-in English, or HV_Res.rcc when present.

#include <string>
#include <string_view>

#include "platform/ResourceBundle.h"

namespace orlavo::updater {

std::string_view BuiltinStringText();

// The process's resource set; replaced only during start-up.
ResourceSet& Resources();

// A text of the string table in use.
inline std::string Str(int id) {
    return Resources().str(id);
}

}  // namespace orlavo::updater
