#include "resources/WizardResources.h"

namespace orlavo::wizard {

ResourceSet& Resources() {
    static ResourceSet set(BuiltinStringText(), ":/wizard");
    return set;
}

}  // namespace orlavo::wizard
