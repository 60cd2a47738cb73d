#include "wizard/app/StepPages.h"

#include "wizard/app/CPlaceholderPage.h"
#include "wizard/customer/ui/CUserDetailsPage.h"
#include "wizard/photos/ui/CSelectImagePage.h"
#include "wizard/products/ui/CCustomProductPage.h"
#include "wizard/transmission/ui/COrderSummaryPage.h"

CWizardPage* MakeStepPage(CWizardApp& app, int step, QWidget* parent) {
    switch (step) {
        case 1:
            return new CSelectImagePage(app, parent);
        case 2:
            return new CCustomProductPage(app, parent);
        case 3:
            return new CUserDetailsPage(app, parent);
        default:
            return new COrderSummaryPage(app, parent);
    }
}
