#pragma once
// Resource bundles (Qt binary resource files such as "Resources.rcc") and the
// resource set a program uses: its compiled-in resources, or an accepted
// bundle's, as a whole.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/RccArchive.h"
#include "platform/StringTable.h"

namespace orlavo {

// One opened bundle file. Entries: "FileVersion", "strings.tsv", pictures
// such as "icons/128.png" or "bitmaps/129.png".
class ResourceBundle {
public:
    // Nothing when the file is missing or is not a bundle (a damaged one
    // included: it is read whole and checked, never trusted).
    static std::unique_ptr<ResourceBundle> Open(const std::string& path);
    ResourceBundle(const ResourceBundle&) = delete;
    ResourceBundle& operator=(const ResourceBundle&) = delete;

    const std::string& path() const { return path_; }
    // Its FileVersion text, for example "2, 1, 44, 0"; nothing when absent.
    std::optional<std::string> fileVersion() const;
    // The bytes of an entry, or nothing.
    std::optional<std::string> file(std::string_view name) const;
    StringTable strings() const;

private:
    ResourceBundle(std::string path, RccArchive archive)
        : path_(std::move(path)), archive_(std::move(archive)) {}
    std::string path_;
    RccArchive archive_;
};

// What became of a bundle at start-up.
enum class BundleCheck {
    Missing,       // no bundle: compiled-in resources, no message
    Accepted,      // the bundle's resources are used
    WrongVersion,  // refused: compiled-in resources, and the program says so
};

// The resources one program uses. Replaced as a whole at start-up, before
// any other thread runs; read-only afterwards, so safe to read from workers.
class ResourceSet {
public:
    // BUILTIN_STRINGS is the compiled-in table's text; QT_PREFIX the folder of
    // the compiled-in pictures in the Qt resource tree (for example ":/wizard").
    ResourceSet(std::string_view builtinStrings, std::string qtPrefix);

    std::string str(int id) const;
    // A picture or other entry: the bundle's when one is in use, else the
    // compiled-in one; nothing when neither has it.
    std::optional<std::string> file(std::string_view name) const;
    bool usingBundle() const { return bundle_ != nullptr; }

    // Opens BUNDLE_PATH and, when CHECK_VERSION, accepts it only if its version
    // fits PROGRAM_VERSION (both parse and their third numbers are equal).
    BundleCheck load(const std::string& bundlePath, std::string_view programVersion,
                     bool checkVersion);
    // Back to the compiled-in resources.
    void reset();

private:
    StringTable builtin_;
    std::string qtPrefix_;
    std::unique_ptr<ResourceBundle> bundle_;
    StringTable bundleStrings_;
};

}  // namespace orlavo
