#pragma once
// Voucher and promotion codes the lab honours when it prices an order. They
// live apart from the catalogue, which every client downloads.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlavo::lab {

struct Offer {
    std::string code;
    int percentOff = 0;          // share of the prints' price, 0 to 100
    std::int64_t amountOff = 0;  // hundredths off the prints' price
    int freePrints = 0;          // free prints of freeProduct (the cheapest ordered when empty)
    std::string freeProduct;
    std::string text;  // the line the quote's message carries
};

class Offers {
public:
    // An "offers" document with "voucher" and "promo" elements (attributes
    // code, percent, amount, freeprints, product, text).
    static std::optional<Offers> FromBytes(std::string_view bytes, std::string& error);
    static Offers Demo();

    // Matched with blanks around the code ignored and without regard to case.
    const Offer* findVoucher(std::string_view code) const;
    const Offer* findPromotion(std::string_view code) const;

    const std::vector<Offer>& vouchers() const { return vouchers_; }
    const std::vector<Offer>& promotions() const { return promotions_; }

private:
    std::vector<Offer> vouchers_;
    std::vector<Offer> promotions_;
};

// The code with surrounding blanks removed, in upper case.
std::string NormalisedCode(std::string_view code);

}  // namespace orlavo::lab
