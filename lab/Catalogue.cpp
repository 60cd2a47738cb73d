#include "lab/Catalogue.h"

#include "lab/DemoCatalogue.h"
#include "lab/Money.h"
#include "platform/XmlDocument.h"

namespace orlavo::lab {

std::optional<Catalogue> Catalogue::FromBytes(std::string bytes, std::string& error) {
    xml::Document doc;
    if (!doc.loadBytes(bytes)) {
        error = "the catalogue is not well-formed XML";
        return std::nullopt;
    }
    xml::Node affiliate = doc.selectSingle("affiliateinfo/affiliate");
    xml::Node products = doc.selectSingle("affiliateinfo/products");
    if (!affiliate || !products) {
        error = "the catalogue lacks affiliateinfo/affiliate or affiliateinfo/products";
        return std::nullopt;
    }
    Catalogue c;
    c.affiliateId_ = affiliate.attribute("id");
    c.currency_ = affiliate.attribute("currency");
    c.labName_ = affiliate.attribute("name");
    for (const xml::Node& p : products.children()) {
        Product product;
        product.id = p.attribute("id");
        product.name = p.hasAttribute("prod_description") ? p.attribute("prod_description")
                                                          : p.attribute("name");
        auto price = ParseAmount(p.attribute("price"));
        if (product.id.empty() || !price) {
            error = "product \"" + product.id + "\" has no id or no valid price";
            return std::nullopt;
        }
        product.price = *price;
        c.products_.push_back(std::move(product));
    }
    for (const xml::Node& p : doc.selectAll("affiliateinfo/payment/pay")) {
        PaymentMethod m;
        m.id = p.attribute("id");
        m.name = p.attribute("name");
        m.takesCard = m.id != "6" && m.id != "9";
        c.payments_.push_back(std::move(m));
    }
    for (const xml::Node& s : doc.selectAll("affiliateinfo/shipping/ship")) {
        ShippingGroup g;
        g.id = s.attribute("id");
        g.name = s.attribute("name");
        g.cost = ParseAmount(s.attribute("price")).value_or(0);
        for (const xml::Node& country : s.children())
            g.countryValues.push_back(country.attribute("value"));
        c.groups_.push_back(std::move(g));
    }
    if (xml::Node shops = doc.selectSingle("affiliateinfo/shops")) {
        for (const xml::Node& s : shops.children())
            c.shops_.push_back({s.attribute("id"), s.attribute("name"), s.attribute("city")});
    }
    c.bytes_ = std::move(bytes);
    return c;
}

Catalogue Catalogue::Demo() {
    std::string error;
    // The built-in text is part of the program; it always parses.
    return *FromBytes(std::string(DemoCatalogueText()), error);
}

const Product* Catalogue::findProduct(std::string_view id) const {
    for (const Product& p : products_)
        if (p.id == id)
            return &p;
    return nullptr;
}

const PaymentMethod* Catalogue::findPayment(std::string_view id) const {
    for (const PaymentMethod& m : payments_)
        if (m.id == id)
            return &m;
    return nullptr;
}

const ShippingGroup* Catalogue::groupOfCountry(std::string_view value) const {
    if (value.empty())
        return nullptr;
    for (const ShippingGroup& g : groups_)
        for (const std::string& v : g.countryValues)
            if (v == value)
                return &g;
    return nullptr;
}

const Shop* Catalogue::findShop(std::string_view id) const {
    for (const Shop& s : shops_)
        if (s.id == id)
            return &s;
    return nullptr;
}

}  // namespace orlavo::lab
