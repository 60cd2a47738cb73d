#include "wizard/app/StepPages.h"

#include "wizard/app/CPlaceholderPage.h"
#include "wizard/photos/ui/CSelectImagePage.h"

CWizardPage* MakeStepPage(CWizardApp& app, int step, QWidget* parent) {
    switch (step) {
        case 1:
            return new CSelectImagePage(app, parent);
        case 2:
            return new CPlaceholderPage(app, step, parent);
        case 3:
            return new CPlaceholderPage(app, step, parent);
        default:
            return new CPlaceholderPage(app, step, parent);
    }
}
