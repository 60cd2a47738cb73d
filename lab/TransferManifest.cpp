#include "lab/TransferManifest.h"

#include "lab/CardCheck.h"
#include "platform/XmlDocument.h"

namespace orlavo::lab {

std::optional<TransferManifest> TransferManifest::Parse(std::string_view bytes) {
    xml::Document doc;
    if (!doc.loadBytes(bytes) || doc.documentElement().name() != "transfermanifest")
        return std::nullopt;
    TransferManifest m;
    xml::Node file = doc.selectSingle("transfermanifest/file");
    m.contentType = file.attribute("contenttype");
    m.fileName = file.attribute("filename");
    m.size = file.attribute("size");
    m.photoNumber = file.attribute("currentnumphoto");
    for (const xml::Node& p : file.children()) {
        if (p.name() != "product")
            continue;
        m.products.push_back({p.attribute("id"), p.attribute("qty"), p.attribute("zoomtrim")});
    }
    xml::Node user = doc.selectSingle("transfermanifest/user");
    m.firstName = user.attribute("firstname");
    m.lastName = user.attribute("lastname");
    m.city = user.attribute("city");
    m.country = user.attribute("country");
    m.email = user.attribute("email");
    xml::Node shipping = doc.selectSingle("transfermanifest/shipping");
    m.shippingName = shipping.attribute("name");
    m.shippingCity = shipping.attribute("city");
    m.shippingCountry = shipping.attribute("country");
    m.storeId = shipping.attribute("storeid");
    xml::Node payment = doc.selectSingle("transfermanifest/payment");
    m.payType = payment.attribute("cctype");
    m.cardNumber = payment.attribute("ccnumber");
    m.expireMonth = payment.attribute("ccexpiremonth");
    m.expireYear = payment.attribute("ccexpireyear");
    m.voucherCode = payment.attribute("vouchercode");
    m.promoCode = payment.attribute("promocode");
    xml::Node extra = doc.selectSingle("transfermanifest/extra");
    m.affiliateId = extra.attribute("affiliateid");
    m.uniqueId = extra.attribute("uniqueid");
    m.photoCount = extra.attribute("numphotos");
    return m;
}

std::string ManifestForStorage(std::string_view bytes) {
    xml::Document doc;
    if (!doc.loadBytes(bytes) || doc.documentElement().name() != "transfermanifest")
        return {};
    // Wherever they stand, not only in the payment element.
    for (xml::Node n : doc.selectAll("//*[@ccnumber]"))
        for (pugi::xml_attribute a : n.raw().attributes())
            if (std::string_view(a.name()) == "ccnumber")
                a.set_value(MaskCardNumber(a.value()).c_str());
    for (xml::Node n : doc.selectAll("//*[@securitycode]"))
        while (n.raw().remove_attribute("securitycode")) {
        }
    // The reader takes names that the writer cannot put in the declared
    // encoding (it writes them as character references): such a document
    // would not read back.
    std::string stored = doc.bytes();
    xml::Document again;
    if (!again.loadBytes(stored))
        return {};
    return stored;
}

}  // namespace orlavo::lab
