#include "wizard/app/core/StartSettings.h"

#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "wizard/catalogue/CXmlDocuments.h"

namespace orlavo::wizard {

std::int32_t ParseDealerMode(const std::string& text) {
    return LeadingInt(text);
}

StartSettings ReadStartSettings(RegistryStore& store) {
    StartSettings s;
    s.uploadUrl = store.getText(section::kDownloadInfo, "UploadURL");
    s.priceRequestUrl = store.getText(section::kDownloadInfo, "PriceRequestURL");
    s.dealerMode = ParseDealerMode(store.getText(section::kDownloadInfo, "UseDealerNumber"));
    s.debug = store.getNumber(section::kSettings, "Debug");
    if (s.dealerMode != 0) {
        s.dealerNumber = store.getText(section::kUserDetails, "DealerNumber");
    }
    return s;
}

bool StoreDealerOutcome(const DealerOutcome& outcome, RegistryStore& store) {
    bool ok = true;
    if (outcome.dealerNumberToStore) {
        ok = store.setText(section::kUserDetails, "DealerNumber", *outcome.dealerNumberToStore) &&
             ok;
    }
    if (outcome.modeToStore) {
        ok = StoreDealerMode(store, *outcome.modeToStore) && ok;
    }
    return ok;
}

bool StoreDealerMode(RegistryStore& store, std::int32_t mode) {
    return store.setText(section::kDownloadInfo, "UseDealerNumber", std::to_string(mode));
}

bool RunDealerStep(StartSettings& settings, ShopList& shops, RegistryStore& store,
                   const std::function<DealerAnswer(const DealerQuestion&)>& ask) {
    const DealerQuestion question =
        DecideDealerQuestion(settings.dealerMode, settings.dealerNumber, shops);
    const DealerAnswer answer = question.ask && ask ? ask(question) : DealerAnswer{};
    const DealerOutcome outcome =
        ResolveDealerStep(settings.dealerMode, settings.dealerNumber, shops, question, answer);
    if (outcome.stop) {
        return false;
    }
    StoreDealerOutcome(outcome, store);
    settings.dealerMode = outcome.mode;
    settings.dealerNumber = outcome.dealerNumber;
    NarrowShops(shops, outcome.narrowToShop);
    return true;
}

}  // namespace orlavo::wizard
