#pragma once
// Listing a folder for the photo page: its photos and its subfolders, in the
// order a file manager shows them (natural, case-insensitive). Names and
// paths are bytes as the file system gives them, so every file can be opened
// again whatever its name's encoding. Hidden entries (a name starting with
// ".") are left out; a folder that cannot be read lists as empty.
//
#include <QString>
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace orlavo::wizard {

struct PhotoEntry {
    std::string path;  // the folder's path, "/" and the name
    std::string name;
};

struct SubfolderEntry {
    std::string path;
    std::string name;
    bool hasSubfolders = false;  // at least one subfolder that is not hidden
};

// A photo by its name: "x.jpg" in any case of the three letters, any other
// name whose content type is image/jpeg (".jpeg", ".jpe", ...), and the names
// of the other formats Orlavo takes (".heic", ".heif", ".png", ".tif",
// ".tiff", ".webp", in any case).
bool IsPhotoName(std::string_view name);

// Whether Orlavo takes the file at PATH as a photo, by its content: a JPEG,
// HEIF (HEIC), PNG, TIFF or WebP file, whatever its name, but for a camera's
// raw file (which may look like a TIFF and is no photo of ours).
bool TakesPhotoFile(const std::string& path);

// The photos of FOLDER: those with a photo's name, and those whose name says
// nothing of their content (no extension, or one of no known type) that
// TakesPhotoFile() takes.
std::vector<PhotoEntry> ListPhotos(const std::string& folder);
std::vector<SubfolderEntry> ListSubfolders(const std::string& folder);

// FOLDER joined with NAME by one "/".
std::string JoinPath(const std::string& folder, const std::string& name);

// The order of names in a file manager: digits compare as numbers
// ("img2" before "IMG10"), neither case nor accents matter ("été" beside
// "ete"); names that still compare equal are ordered by their bytes, so the
// order is total. The same whatever the locale, "C" included.
class NameOrder {
public:
    // A text whose plain comparison gives the order.
    static QString Key(const std::string& name);
    // Sorts ITEMS by NAME_OF(item).
    template <class T, class NameOf>
    static void sort(std::vector<T>& items, NameOf nameOf);
};

// Text for showing a name or path from the file system.
QString DisplayName(const std::string& bytes);

template <class T, class NameOf>
void NameOrder::sort(std::vector<T>& items, NameOf nameOf) {
    struct Keyed {
        QString key;
        std::size_t index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        keyed.push_back({Key(nameOf(items[i])), i});
    std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        const int c = a.key.compare(b.key);
        if (c != 0)
            return c < 0;
        return nameOf(items[a.index]) < nameOf(items[b.index]);
    });
    std::vector<T> sorted;
    sorted.reserve(items.size());
    for (const Keyed& k : keyed)
        sorted.push_back(std::move(items[k.index]));
    items = std::move(sorted);
}

}  // namespace orlavo::wizard
