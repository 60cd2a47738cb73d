#pragma once
// A small catalogue for the tests of the catalogue queries and download.

#include <string>

namespace orlavo::wizard::samples {

inline std::string SampleCatalogue() {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<affiliateinfo>
  <affiliate id="AFF7" currency="GBP" name="Lab"/>
  <products>
    <product id="P6x4" name="6x4" prod_description="6 x 4 inch gloss" price="0.10" x_dim="152" y_dim="102"/>
    <item id="P7x5" name="7x5" price=".25" x_dim="178mm" y_dim=""/>
    <product id="P10x8" name="10x8" prod_description="" price="1.5 GBP" x_dim="abc"/>
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
  <shops>
    <shop id="s1" name="York Shop" address1="1 High St" address2="" city="York" state="N Yorks" country="United Kingdom" postcode="YO1" phone="01" storeid="D100"/>
    <shop id="s2" name="Bath Shop" address1="2 Low St" city="Bath" postcode="BA1" storeid="D200"/>
    <shop id="s3" name="bath shop" city="bath" storeid="d200"/>
  </shops>
</affiliateinfo>
)";
}

}  // namespace orlavo::wizard::samples
