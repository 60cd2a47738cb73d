#pragma once
// Prices a PriceRequest document against the catalogue and the offers, and
// writes the answer: a PriceQuote, or a PriceRequest carrying an error.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "lab/Catalogue.h"
#include "lab/Offers.h"

namespace orlavo::lab {

struct PriceQuote {
    std::int64_t subprice = 0;  // hundredths
    std::int64_t shipping = 0;
    std::int64_t discount = 0;
    std::int64_t total = 0;
    int freePrints = 0;
    std::string msg;
};

class PriceCalculator {
public:
    PriceCalculator(const Catalogue& catalogue, const Offers& offers);

    // The quote, or the error text for the client.
    std::variant<PriceQuote, std::string> quote(std::string_view requestBytes) const;

    // The whole answer document for REQUESTBYTES (ISO-8859-1 bytes).
    std::string answer(std::string_view requestBytes) const;

    static std::string QuoteDocument(const PriceQuote& quote);
    static std::string ErrorDocument(std::string_view msg);

private:
    const Catalogue& catalogue_;
    const Offers& offers_;
};

}  // namespace orlavo::lab
