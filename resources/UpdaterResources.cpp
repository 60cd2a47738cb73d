#include "resources/UpdaterResources.h"

namespace orlavo::updater {

ResourceSet& Resources() {
    static ResourceSet set(BuiltinStringText(), ":/updater");
    return set;
}

}  // namespace orlavo::updater
