#pragma once
// The catalogue document and the order manifest template: loading the
// catalogue from the lab's server and answering the queries on it.
//
// Used on one thread (the window thread). The queries read the document
// each time (the product elements are indexed once at load); an index out of range, a missing
// element or a query before a successful Load gives the empty text or 0, never a crash.

#include <atomic>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/NumberText.h"
#include "platform/XmlDocument.h"
#include "wizard/catalogue/DownloadText.h"
#include "wizard/catalogue/ShopRecord.h"

namespace orlavo::wizard {

// One payment method of the catalogue.
struct PaymentMethod {
    std::string id;
    std::string name;
};

class CXmlDocuments {
public:
    // The skeleton every manifest template starts from.
    static constexpr std::string_view kManifestSkeleton =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><transfermanifest><file/><user/>"
        "<shipping/><payment/><extra/></transfermanifest>";

    // The program version sent as qrtversion, for example "2.0.44.3".
    void setProgramVersion(std::string version) { programVersion_ = std::move(version); }
    void setDownloadSettings(DownloadSettings settings) { download_ = std::move(settings); }

    // Makes both documents afresh, downloads and parses the catalogue at
    // ADDRESS, seeds the manifest template and refills SHOPS. The empty text
    // on success, else the error text to show (prefixed with the address).
    // CANCEL, when given, stops the download once it is set.
    std::string Load(const std::string& address, ShopList& shops,
                     const std::atomic<bool>* cancel = nullptr);
    // The same for a body already at hand (tests, benchmarks): everything
    // Load does after the download.
    std::string LoadDownloaded(const std::string& address, std::string_view body, ShopList& shops);

    // Catalogue queries. Indexes are 0-based in document order.
    int GetProductCount() const { return productCount_; }
    std::string GetProductId(int index) const;
    std::string GetProductName(int index) const;          // prod_description, else name when absent
    std::string GetProductPrice(int index) const;         // as the catalogue writes it
    std::pair<int, int> GetProductSize(int index) const;  // x_dim, y_dim
    std::string GetCurrency() const;
    // The lab wants photos in sRGB: `affiliateinfo/affiliate` has colorspace
    // "sRGB" (in any case). Photos converted for sending are then converted
    // to sRGB rather than sent with their own colour profile.
    bool WantsSrgb() const;
    int GetPaymentCount() const;
    PaymentMethod GetPayment(int index) const;
    std::string GetPaymentName(std::string_view id) const;
    int GetShipCountryCount(int groupId) const;
    int GetCountryCount() const;
    std::string GetCountryName(int index) const;
    std::string GetCountryValue(std::string_view name) const;  // empty when unknown
    // Refills SHOPS from affiliateinfo/shops, sorted by city; a catalogue
    // without that element leaves SHOPS as it is.
    void LoadShops(ShopList& shops) const;

    const xml::Document& catalogue() const { return catalogue_; }
    // The order manifest template that the order's details are written into.
    xml::Document& manifestTemplate() { return manifest_; }
    const xml::Document& manifestTemplate() const { return manifest_; }

    // The country names as the user chose them (not the codes), kept when the
    // customer details are written into the manifest.
    std::string billingCountryName;
    std::string shippingCountryName;

private:
    void reset();
    std::string parse(const std::string& address, std::string_view body, ShopList& shops);
    xml::Node product(int index) const;

    xml::Document catalogue_;
    xml::Document manifest_;
    // The product elements, taken once at load: the catalogue is read-only
    // afterwards, and a lookup by index must not walk thousands of siblings.
    std::vector<xml::Node> products_;
    int productCount_ = 0;
    std::string programVersion_;
    DownloadSettings download_;
};

using orlavo::LeadingInt;

}  // namespace orlavo::wizard
