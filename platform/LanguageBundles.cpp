#include "platform/LanguageBundles.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace orlavo {

namespace {

// A language as the folders name it: letters, digits and "_" ("pt_BR"), with
// an optional "@variant"; anything else could lead out of the folder.
bool IsLanguageName(std::string_view s) {
    if (s.empty() || s.size() > 32)
        return false;
    return std::all_of(s.begin(), s.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '@';
    });
}

}  // namespace

std::vector<std::string> UserLanguages() {
    std::vector<std::string> languages;
    for (const QString& l : QLocale::system().uiLanguages())
        languages.push_back(l.toStdString());
    return languages;
}

std::vector<std::string> LanguageBundleCandidates(const std::string& programFolder,
                                                  std::string_view name,
                                                  const std::vector<std::string>& languages) {
    std::vector<std::string> folders;
    auto add = [&folders](const std::string& folder) {
        if (IsLanguageName(folder) &&
            std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    };
    for (std::string language : languages) {
        // "de-DE.UTF-8" and "de_DE" name the same folder, "de_DE".
        language = language.substr(0, language.find('.'));
        std::replace(language.begin(), language.end(), '-', '_');
        const std::string base = language.substr(0, language.find_first_of("_@"));
        if (language == "C" || language == "POSIX" || base == "en") {
            if (language != base)
                add(language);
            break;
        }
        add(language);
        add(base);
    }
    std::vector<std::string> paths;
    for (const std::string& folder : folders)
        paths.push_back(programFolder + "translations/" + folder + "/" + std::string(name));
    return paths;
}

BundleCheck LoadProgramBundle(ResourceSet& set, const std::string& programFolder,
                              std::string_view name, const std::vector<std::string>& languages,
                              std::string_view programVersion, bool checkVersion) {
    const BundleCheck beside =
        set.load(programFolder + std::string(name), programVersion, checkVersion);
    if (beside != BundleCheck::Missing)
        return beside;
    for (const std::string& path : LanguageBundleCandidates(programFolder, name, languages)) {
        if (set.load(path, programVersion, checkVersion) == BundleCheck::Accepted)
            return BundleCheck::Accepted;
    }
    return BundleCheck::Missing;
}

}  // namespace orlavo
