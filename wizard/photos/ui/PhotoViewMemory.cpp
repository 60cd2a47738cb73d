#include "wizard/photos/ui/PhotoViewMemory.h"

#include <algorithm>

#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "wizard/photos/ui/FolderModel.h"

namespace {
constexpr std::string_view kSection = orlavo::section::kSettings;
}

PhotoViewMemory PhotoViewMemory::Load(orlavo::RegistryStore& store) {
    PhotoViewMemory m;
    m.folder = store.getText(kSection, "PhotoFolder");
    m.view = store.getNumber(kSection, "PhotoView") == 1 ? 1 : 0;
    const int column = store.getNumber(kSection, "PhotoSortColumn");
    m.sortColumn = column >= 0 && column < FolderModel::kColumns ? column : 0;
    m.ascending = store.getNumber(kSection, "PhotoSortAscending") != 0;
    m.thumbnailSide =
        std::clamp(store.getNumber(kSection, "ThumbnailSize", kSmallest), kSmallest, kLargest);
    return m;
}

bool PhotoViewMemory::save(orlavo::RegistryStore& store) const {
    bool ok = store.setText(kSection, "PhotoFolder", folder);
    ok = store.setNumber(kSection, "PhotoView", view) && ok;
    ok = store.setNumber(kSection, "PhotoSortColumn", sortColumn) && ok;
    ok = store.setNumber(kSection, "PhotoSortAscending", ascending ? 1 : 0) && ok;
    return store.setNumber(kSection, "ThumbnailSize", thumbnailSide) && ok;
}
