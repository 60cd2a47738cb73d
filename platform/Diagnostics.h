#pragma once
// The diagnostics folder: $XDG_STATE_HOME/Vennara/OrlavoW/ (default
// ~/.local/state/Vennara/OrlavoW/), holding the dump files such as
// "!QRT2_request.txt".

#include <string>
#include <string_view>

namespace orlavo {

// The folder, ending with "/".
std::string DiagnosticsFolder();

// Appends BYTES to FILENAME in the diagnostics folder, creating both as needed.
// FILENAME is a plain file name (no "/"). Never throws and never stops the
// caller: false when it could not write. The files are readable by the user only.
bool AppendDiagnostic(std::string_view fileName, std::string_view bytes) noexcept;

}  // namespace orlavo
