#pragma once
// Which resource bundle a program uses: the one beside its executable (a
// lab's, put there by the installer or the updater) when present; else the
// bundle of the user's language that the installation carries in
// translations/<language>/ of the program folder ("de", "pt_BR"); else its
// compiled-in English resources.

#include <string>
#include <string_view>
#include <vector>

#include "platform/ResourceBundle.h"

namespace orlavo {

// The user's languages, most wanted first, as the desktop gives them
// ("de-DE", "de"); from LANGUAGE, LC_ALL, LC_MESSAGES and LANG.
std::vector<std::string> UserLanguages();

// The language bundles NAME of PROGRAM_FOLDER (ending in "/") to try for
// LANGUAGES, in order: each language as a whole, then without its region
// ("de_DE", then "de"). English, the compiled-in language, ends the list, so
// a user who puts it first gets it; names that are no language are skipped.
std::vector<std::string> LanguageBundleCandidates(const std::string& programFolder,
                                                  std::string_view name,
                                                  const std::vector<std::string>& languages);

// Loads into SET the bundle NAME beside the program, else the first
// candidate of LANGUAGES that SET accepts (one of another version is passed
// over in silence: it belongs to the installation, not to the user's choice).
// Gives what became of the bundle beside the program: Accepted or
// WrongVersion as ResourceSet::load says; Accepted also for a language
// bundle; Missing when neither is used.
BundleCheck LoadProgramBundle(ResourceSet& set, const std::string& programFolder,
                              std::string_view name, const std::vector<std::string>& languages,
                              std::string_view programVersion, bool checkVersion);

}  // namespace orlavo
