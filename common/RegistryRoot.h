#pragma once
// Where a program's settings live in the settings store.

#include <string>
#include <string_view>
#include <vector>

namespace orlavo {

// The profile argument: the first argument that is not a switch (does not
// begin with "/" or "-"); empty when there is none. argv[0] is skipped.
std::string ProfileFromArguments(const std::vector<std::string>& argv);

// The wizard's root: "Software\Vennara\<program>" without a profile,
// "Software\Vennara\<profile>\OrlavoW" with one.
std::string RegistryRoot(std::string_view profile, std::string_view programName);

// The updater always names the wizard's key, whatever it is called itself.
std::string UpdaterRegistryRoot(std::string_view profile);

// File name of an executable path without folder and extension.
std::string ExecutableBaseName(std::string_view path);

}  // namespace orlavo
