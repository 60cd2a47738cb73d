#include "wizard/app/core/DealerRules.h"

#include <cstdlib>
#include <limits>

namespace orlavo::wizard {

namespace {

std::int64_t Abs(std::int32_t mode) {
    return std::llabs(static_cast<std::int64_t>(mode));
}

// An empty dealer number matches no shop, not even one without a storeid.
int MatchingShop(std::string_view dealerNumber, const ShopList& shops) {
    return dealerNumber.empty() ? -1 : FindShopByStoreId(shops, dealerNumber);
}

bool Matches(std::string_view dealerNumber, const ShopList& shops) {
    return MatchingShop(dealerNumber, shops) >= 0;
}

}  // namespace

std::int32_t FlipDealerMode(std::int32_t mode) {
    if (mode == std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return -mode;
}

DealerQuestion DecideDealerQuestion(std::int32_t mode, std::string_view dealerNumber,
                                    const ShopList& shops) {
    DealerQuestion q;
    if (mode < 0) {
        q.ask = true;
    } else if (mode == 2) {
        q.ask = !dealerNumber.empty() && !Matches(dealerNumber, shops);
    } else if (mode == 3) {
        q.ask = dealerNumber.empty() || !Matches(dealerNumber, shops);
    }
    if (q.ask && mode > 1) {
        q.prefill = std::string(dealerNumber);
    }
    return q;
}

DealerOutcome ResolveDealerStep(std::int32_t mode, std::string_view dealerNumber,
                                const ShopList& shops, const DealerQuestion& question,
                                const DealerAnswer& answer) {
    DealerOutcome out;
    out.mode = mode;
    out.dealerNumber = std::string(dealerNumber);
    if (question.ask) {
        if (answer.has_value()) {
            out.dealerNumber = *answer;
            out.dealerNumberToStore = *answer;
            out.mode = FlipDealerMode(mode);
            out.modeToStore = out.mode;
        } else if (Abs(mode) == 3) {
            out.stop = true;
            return out;
        } else {
            out.mode = FlipDealerMode(mode);
            out.modeToStore = out.mode;
        }
    }
    if (out.mode > 1) {
        out.narrowToShop = MatchingShop(out.dealerNumber, shops);
    }
    return out;
}

void NarrowShops(ShopList& shops, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= shops.size()) {
        return;
    }
    ShopRecord kept = std::move(shops[static_cast<std::size_t>(index)]);
    shops.clear();
    shops.push_back(std::move(kept));
}

bool DealerKeyContinueEnabled(std::string_view key) {
    return !key.empty();
}

bool DealerKeyAccepted(std::int32_t mode, std::string_view key, const ShopList& shops) {
    if (Abs(mode) == 3 || (Abs(mode) == 2 && !key.empty())) {
        return !key.empty() && Matches(key, shops);
    }
    return true;
}

PreferencesDealerCheck CheckPreferencesDealer(std::int32_t mode, std::string_view dealerNumber,
                                              const ShopList& shops) {
    PreferencesDealerCheck check;
    if (mode == 0 || mode == 1 || mode == -1) {
        return check;
    }
    const bool found = Matches(dealerNumber, shops);
    if ((!found && Abs(mode) == 3) || (!found && Abs(mode) == 2 && !dealerNumber.empty())) {
        check.refused = true;
        return check;
    }
    if (mode < 0) {
        check.modeToStore = FlipDealerMode(mode);
    }
    return check;
}

}  // namespace orlavo::wizard
