#pragma once
// The application with the real product page as step 2 (placeholders for the
// other steps), started on CATALOGUE, its sheet shown at 900 x 700.

#include "tests/app/AppTestSupport.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CPlaceholderPage.h"
#include "wizard/products/ui/CCustomProductPage.h"

class ProductPageAppTest : public AppTest {
protected:
    void startWithProductPage(const char* catalogue) {
        app_ = std::make_unique<CWizardApp>(
            std::vector<std::string>{"products_ui_tests", "UiTest"}, effects, std::string{},
            [](CWizardApp& app, int step, QWidget* parent) -> CWizardPage* {
                if (step == 2)
                    return new CCustomProductPage(app, parent);
                return new CPlaceholderPage(app, step, parent);
            });
        ASSERT_TRUE(app_->StartUp());
        loadCatalogue(catalogue);
        app_->order.setProductCount(app_->xml.GetProductCount());
        sheet().resize(900, 700);
        sheet().show();
    }
    CMyProperySheet& sheet() { return *app_->sheet(); }
};
