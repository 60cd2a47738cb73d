#pragma once
// The dealer-number rules: the start-up dealer step, the dealer key dialog's
// "Continue" and the Preferences check on "Save".
//
// The mode M (DownloadInfo/UseDealerNumber): negative asks for the key at the
// next start and flips its sign once asked; 2 checks a key that is present,
// 3 demands one that matches a shop; 0, 1 and 4 upwards never check. Once the
// step is over, a mode above 1 with a matching key narrows the shops to the
// dealer's. Pure functions: the registry writes are in StartSettings.h.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "wizard/catalogue/ShopRecord.h"

namespace orlavo::wizard {

// -M, kept inside 32 bits.
std::int32_t FlipDealerMode(std::int32_t mode);

// Whether the start-up step shows the dealer key dialog, and with what key.
struct DealerQuestion {
    bool ask = false;
    std::string prefill;  // the dealer number when M > 1, else empty
};
DealerQuestion DecideDealerQuestion(std::int32_t mode, std::string_view dealerNumber,
                                    const ShopList& shops);

// What the dialog answered: the key on "Continue", nothing on "Cancel".
using DealerAnswer = std::optional<std::string>;

// The step's outcome once asked (or not).
struct DealerOutcome {
    bool stop = false;  // the wizard does not open
    std::int32_t mode = 0;
    std::string dealerNumber;
    std::optional<std::string> dealerNumberToStore;  // UserDetails/DealerNumber
    std::optional<std::int32_t> modeToStore;         // DownloadInfo/UseDealerNumber
    int narrowToShop = -1;  // keep only this shop of the list, or -1 to keep all
};

// ANSWER is ignored when QUESTION did not ask.
DealerOutcome ResolveDealerStep(std::int32_t mode, std::string_view dealerNumber,
                                const ShopList& shops, const DealerQuestion& question,
                                const DealerAnswer& answer);

// Cuts SHOPS down to shop INDEX alone; nothing for -1 or an index out of range.
void NarrowShops(ShopList& shops, int index);

// The dealer key dialog: "Continue" is enabled when the key is not empty.
bool DealerKeyContinueEnabled(std::string_view key);
// "Continue" closes the dialog, or shows "Incorrect Dealer Number." when false.
bool DealerKeyAccepted(std::int32_t mode, std::string_view key, const ShopList& shops);

// Preferences "Save": refused ("Incorrect Dealer Number.", nothing saved) or
// accepted, answering a pending question by flipping a negative mode.
struct PreferencesDealerCheck {
    bool refused = false;
    std::optional<std::int32_t> modeToStore;
};
PreferencesDealerCheck CheckPreferencesDealer(std::int32_t mode, std::string_view dealerNumber,
                                              const ShopList& shops);

}  // namespace orlavo::wizard
