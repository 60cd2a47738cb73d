#pragma once
// The settings the wizard reads once at start-up.

#include <cstdint>
#include <functional>
#include <string>

#include "wizard/app/core/DealerRules.h"

namespace orlavo {
class RegistryStore;
}

namespace orlavo::wizard {

struct StartSettings {
    std::string uploadUrl;        // DownloadInfo/UploadURL
    std::string priceRequestUrl;  // DownloadInfo/PriceRequestURL
    std::int32_t dealerMode = 0;  // DownloadInfo/UseDealerNumber, a signed decimal text
    std::int32_t debug = 0;       // Settings/Debug
    std::string dealerNumber;     // UserDetails/DealerNumber, read only when the mode is not 0
};

// The dealer mode from its stored text: leading blanks, sign and digits;
// empty or non-numeric text gives 0, a value beyond 32 bits saturates.
std::int32_t ParseDealerMode(const std::string& text);

StartSettings ReadStartSettings(RegistryStore& store);

// Writes what the dealer step decided; false when a write failed.
bool StoreDealerOutcome(const DealerOutcome& outcome, RegistryStore& store);

// Writes MODE to DownloadInfo/UseDealerNumber as decimal text.
bool StoreDealerMode(RegistryStore& store, std::int32_t mode);

// The whole dealer step of start-up: asks through ASK (the dealer key
// dialog) when the rules say so, stores what they say, updates SETTINGS'
// mode and dealer number and narrows SHOPS. False when the wizard must not open.
bool RunDealerStep(StartSettings& settings, ShopList& shops, RegistryStore& store,
                   const std::function<DealerAnswer(const DealerQuestion&)>& ask);

}  // namespace orlavo::wizard
