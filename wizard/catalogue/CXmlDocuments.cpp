#include "wizard/catalogue/CXmlDocuments.h"

#include "resources/WizardResources.h"
#include "wizard/catalogue/CatalogueTexts.h"

namespace orlavo::wizard {

void CXmlDocuments::reset() {
    catalogue_ = xml::Document();
    manifest_ = xml::Document();
    productCount_ = 0;
    products_.clear();
    manifest_.loadXml(kManifestSkeleton);
}

namespace {

// A value goes into an XPath literal in double quotes; one holding a double
// quote could end the literal and change the expression, so it finds nothing.
bool Quotable(std::string_view value) {
    return value.find('"') == std::string_view::npos;
}

}  // namespace

std::string CXmlDocuments::Load(const std::string& address, ShopList& shops,
                                const std::atomic<bool>* cancel) {
    try {
        reset();
        std::string body;
        DownloadSettings settings = download_;
        settings.transfer.cancel = cancel;
        const std::string error = DownloadText(address, body, settings);
        if (!error.empty()) {
            return address + ": " + error;
        }
        return parse(address, body, shops);
    } catch (...) {
        return address + ": " + Str(kStrException);
    }
}

std::string CXmlDocuments::LoadDownloaded(const std::string& address, std::string_view body,
                                          ShopList& shops) {
    try {
        reset();
        return parse(address, body, shops);
    } catch (...) {
        return address + ": " + Str(kStrException);
    }
}

std::string CXmlDocuments::parse(const std::string& address, std::string_view body,
                                 ShopList& shops) {
    const std::string prefix = address + ": ";
    if (!catalogue_.loadBytes(body)) {
        return prefix + Str(kStrParamErrors) + "\r\n" + std::string(body);
    }
    const xml::Node products = catalogue_.selectSingle("affiliateinfo/products");
    const xml::Node affiliate = catalogue_.selectSingle("affiliateinfo/affiliate");
    xml::Node extra = manifest_.selectSingle("transfermanifest/extra");
    if (!products || !affiliate || !extra) {
        // Queries rely on both elements; such a catalogue is no catalogue.
        return prefix + Str(kStrException);
    }
    products_ = products.children();
    productCount_ = static_cast<int>(products_.size());
    extra.setAttribute("affiliateid", affiliate.attribute("id"));
    extra.setAttribute("qrtversion", programVersion_);
    LoadShops(shops);
    return {};
}

xml::Node CXmlDocuments::product(int index) const {
    if (index < 0 || index >= productCount_) {
        return {};
    }
    return products_[static_cast<std::size_t>(index)];
}

std::string CXmlDocuments::GetProductId(int index) const {
    return product(index).attribute("id");
}

std::string CXmlDocuments::GetProductName(int index) const {
    const xml::Node p = product(index);
    return p.hasAttribute("prod_description") ? p.attribute("prod_description")
                                              : p.attribute("name");
}

std::string CXmlDocuments::GetProductPrice(int index) const {
    return product(index).attribute("price");
}

std::pair<int, int> CXmlDocuments::GetProductSize(int index) const {
    const xml::Node p = product(index);
    return {LeadingInt(p.attribute("x_dim")), LeadingInt(p.attribute("y_dim"))};
}

std::string CXmlDocuments::GetCurrency() const {
    return catalogue_.selectSingle("affiliateinfo/affiliate").attribute("currency");
}

bool CXmlDocuments::WantsSrgb() const {
    const std::string space =
        catalogue_.selectSingle("affiliateinfo/affiliate").attribute("colorspace");
    return space.size() == 4 && (space[0] | 0x20) == 's' && (space[1] | 0x20) == 'r' &&
           (space[2] | 0x20) == 'g' && (space[3] | 0x20) == 'b';
}

int CXmlDocuments::GetPaymentCount() const {
    return static_cast<int>(catalogue_.selectSingle("affiliateinfo/payment").childCount());
}

PaymentMethod CXmlDocuments::GetPayment(int index) const {
    if (index < 0) {
        return {};
    }
    const xml::Node pay =
        catalogue_.selectSingle("affiliateinfo/payment").child(static_cast<std::size_t>(index));
    return {pay.attribute("id"), pay.attribute("name")};
}

std::string CXmlDocuments::GetPaymentName(std::string_view id) const {
    const xml::Node payment = catalogue_.selectSingle("affiliateinfo/payment");
    if (!payment || !Quotable(id)) {
        return {};
    }
    return payment.selectSingle("pay[@id = \"" + std::string(id) + "\"]").attribute("name");
}

int CXmlDocuments::GetShipCountryCount(int groupId) const {
    const std::string path = "affiliateinfo/shipping/ship[@id=\"" + std::to_string(groupId) + "\"]";
    return static_cast<int>(catalogue_.selectSingle(path).childCount());
}

int CXmlDocuments::GetCountryCount() const {
    int total = 0;
    for (const xml::Node& ship : catalogue_.selectAll("affiliateinfo/shipping/ship")) {
        total += GetShipCountryCount(LeadingInt(ship.attribute("id")));
    }
    return total;
}

std::string CXmlDocuments::GetCountryName(int index) const {
    const auto groups = catalogue_.selectAll("affiliateinfo/shipping/ship");
    if (groups.empty() || index < 0) {
        return {};
    }
    int groupId = 0;
    bool inRange = false;
    for (const xml::Node& ship : groups) {
        groupId = LeadingInt(ship.attribute("id"));
        const int m = GetShipCountryCount(groupId);
        if (index < m) {
            inRange = true;
            break;
        }
        index -= m;
    }
    if (!inRange) {
        return {};
    }
    const std::string path = "affiliateinfo/shipping/ship[@id=\"" + std::to_string(groupId) + "\"]";
    return catalogue_.selectSingle(path).child(static_cast<std::size_t>(index)).attribute("name");
}

std::string CXmlDocuments::GetCountryValue(std::string_view name) const {
    if (!Quotable(name)) {
        return {};
    }
    const std::string path =
        "affiliateinfo/shipping/ship/country[@name=\"" + std::string(name) + "\"]";
    return catalogue_.selectSingle(path).attribute("value");
}

void CXmlDocuments::LoadShops(ShopList& shops) const {
    const xml::Node list = catalogue_.selectSingle("affiliateinfo/shops");
    if (!list) {
        return;
    }
    const auto children = list.children();
    shops.assign(children.size(), ShopRecord{});
    for (std::size_t i = 0; i < children.size(); ++i) {
        const xml::Node& s = children[i];
        ShopRecord& r = shops[i];
        r.id = s.attribute("id");
        r.name = s.attribute("name");
        r.address1 = s.attribute("address1");
        r.address2 = s.attribute("address2");
        r.city = s.attribute("city");
        r.state = s.attribute("state");
        r.postcode = s.attribute("postcode");
        r.country = s.attribute("country");
        r.phone = s.attribute("phone");
        r.storeid = s.attribute("storeid");
    }
    SortShopsByCity(shops);
}

}  // namespace orlavo::wizard
