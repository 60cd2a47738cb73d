#pragma once
// The lab's catalogue: the document it serves byte for byte, and what the lab
// itself looks up in it to price and check orders.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlavo::lab {

struct Product {
    std::string id;
    std::string name;        // prod_description, or name
    std::int64_t price = 0;  // hundredths
};

struct PaymentMethod {
    std::string id;
    std::string name;
    bool takesCard = true;  // every method but cheque (6) and pay at the shop (9)
};

struct ShippingGroup {
    std::string id;
    std::string name;
    std::int64_t cost = 0;  // hundredths, from the group's "price"
    std::vector<std::string> countryValues;
};

struct Shop {
    std::string id;
    std::string name;
    std::string city;
};

class Catalogue {
public:
    // Reads an affiliateinfo document; on failure gives no catalogue and sets
    // ERROR. The bytes are kept as they are for serving.
    static std::optional<Catalogue> FromBytes(std::string bytes, std::string& error);
    static Catalogue Demo();

    const std::string& bytes() const { return bytes_; }
    const std::string& affiliateId() const { return affiliateId_; }
    const std::string& currency() const { return currency_; }
    // The affiliate's "name", which the lab shows on its pages.
    const std::string& labName() const { return labName_; }
    const std::vector<Product>& products() const { return products_; }
    const std::vector<PaymentMethod>& paymentMethods() const { return payments_; }
    const std::vector<ShippingGroup>& shippingGroups() const { return groups_; }

    const Product* findProduct(std::string_view id) const;
    const PaymentMethod* findPayment(std::string_view id) const;
    // The group that lists a country with this value (the code, not the name).
    const ShippingGroup* groupOfCountry(std::string_view value) const;
    const Shop* findShop(std::string_view id) const;

private:
    std::string bytes_;
    std::string affiliateId_;
    std::string currency_;
    std::string labName_;
    std::vector<Product> products_;
    std::vector<PaymentMethod> payments_;
    std::vector<ShippingGroup> groups_;
    std::vector<Shop> shops_;
};

}  // namespace orlavo::lab
