#pragma once
// What step 1 remembers between runs, per profile (the settings store's
// Settings section): the folder last shown, thumbnails or list, the list's
// sort column and direction, and the thumbnails' side.

#include <string>

namespace orlavo {
class RegistryStore;
}

struct PhotoViewMemory {
    static constexpr int kSmallest = 92;
    static constexpr int kLargest = 256;

    std::string folder;
    int view = 0;  // 0 thumbnails, 1 list
    int sortColumn = 0;
    bool ascending = false;
    int thumbnailSide = kSmallest;

    // Values out of range (a store edited by hand) are brought back into it.
    static PhotoViewMemory Load(orlavo::RegistryStore& store);
    bool save(orlavo::RegistryStore& store) const;
};
