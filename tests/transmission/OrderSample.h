#pragma once
// A catalogue and a customer for the manifest, price and upload tests.

#include <string>

#include "wizard/catalogue/CXmlDocuments.h"
#include "wizard/customer/CustomerDetails.h"

namespace orlavo::transmission::samples {

inline std::string Catalogue() {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<affiliateinfo>
  <affiliate id="AFF7" currency="GBP" name="Lab"/>
  <products>
    <product id="P6x4" name="6x4" price="0.25" x_dim="152" y_dim="102"/>
    <product id="P7x5" name="7x5" price="0.45" x_dim="178" y_dim="127"/>
    <product id="P8x6" name="8x6" price="0.85" x_dim="203" y_dim="152"/>
    <product id="P10x8" name="10x8" price="1.50" x_dim="254" y_dim="203"/>
  </products>
  <payment>
    <pay id="1" name="Visa"/>
    <pay id="6" name="Cheque"/>
    <pay id="9" name="Pay in shop"/>
  </payment>
  <shipping>
    <ship id="1">
      <country name="United Kingdom" value="GB"/>
      <country name="Ireland" value="IE"/>
    </ship>
    <ship id="2">
      <country name="France" value="FR"/>
    </ship>
  </shipping>
  <shops/>
</affiliateinfo>
)";
}

// Loads the sample catalogue into DOCS; true on success.
inline bool LoadSample(wizard::CXmlDocuments& docs) {
    wizard::ShopList shops;
    docs.setProgramVersion("2.0.44.3");
    return docs.LoadDownloaded("http://lab.test/catalogue.xml", Catalogue(), shops).empty();
}

inline wizard::CustomerDetails Customer() {
    wizard::CustomerDetails r;
    r.firstname = "Ada";
    r.lastname = "Byron";
    r.address1 = "1 Mill Lane";
    r.address2 = "";
    r.city = "Bath";
    r.country = "United Kingdom";
    r.state = "Somerset";
    r.zip = "BA1 1AA";
    r.phone = "01225 000000";
    r.email = "ada@example.com";
    r.customernumber = "C42";
    r.storeid = "";
    r.shippingName = "Ada Byron";
    r.shippingAddress1 = "2 Rue Haute";
    r.shippingCity = "Paris";
    r.shippingCountry = "France";
    r.shippingZip = "75001";
    r.cctype = "1";
    r.ccnumber = "4111111111111111";
    r.ccstartmonth = "01";
    r.ccstartyear = "2020";
    r.ccexpiremonth = "12";
    r.ccexpireyear = "2030";
    r.nameoncard = "A BYRON";
    r.issueno = "";
    r.securitycode = "737";
    r.vouchercode = "SPRING ";
    r.promocode = "";
    return r;
}

}  // namespace orlavo::transmission::samples
