#include "lab/DemoCatalogue.h"

namespace orlavo::lab {

// Print sizes in millimetres as labs cut them; the "price" of a ship element is
// the lab's own shipping charge for the group, which the wizard does not read.
std::string_view DemoCatalogueText() {
    return R"XML(<?xml version="1.0" encoding="UTF-8"?>
<affiliateinfo>
  <affiliate id="4711" name="Orlavo Demo Photo Lab" currency="GBP"/>
  <products>
    <product id="101" name="6x4" prod_description="6 x 4 in classic print (152 x 102 mm)" price="0.25" x_dim="152" y_dim="102"/>
    <product id="102" name="7x5" prod_description="7 x 5 in print (178 x 127 mm)" price="0.45" x_dim="178" y_dim="127"/>
    <product id="103" name="5x5" prod_description="5 x 5 in square print (127 x 127 mm)" price="0.40" x_dim="127" y_dim="127"/>
    <product id="104" name="8x6" prod_description="8 x 6 in print (203 x 152 mm)" price="0.85" x_dim="203" y_dim="152"/>
    <product id="105" name="10x8" prod_description="10 x 8 in enlargement (254 x 203 mm)" price="1.95" x_dim="254" y_dim="203"/>
    <product id="106" name="A4" prod_description="A4 enlargement (297 x 210 mm)" price="2.95" x_dim="297" y_dim="210"/>
    <product id="107" name="12x8" prod_description="12 x 8 in enlargement (305 x 203 mm)" price="3.50" x_dim="305" y_dim="203"/>
    <product id="108" name="18x12" prod_description="18 x 12 in poster (457 x 305 mm)" price="7.95" x_dim="457" y_dim="305"/>
  </products>
  <shipping>
    <ship id="1" name="United Kingdom" price="1.95">
      <country name="United Kingdom" value="GB"/>
      <country name="Isle of Man" value="IM"/>
      <country name="Jersey" value="JE"/>
      <country name="Guernsey" value="GG"/>
    </ship>
    <ship id="2" name="Europe" price="4.50">
      <country name="Ireland" value="IE"/>
      <country name="France" value="FR"/>
      <country name="Germany" value="DE"/>
      <country name="Netherlands" value="NL"/>
      <country name="Belgium" value="BE"/>
      <country name="Spain" value="ES"/>
      <country name="Italy" value="IT"/>
    </ship>
  </shipping>
  <payment>
    <pay id="1" name="Visa"/>
    <pay id="2" name="MasterCard"/>
    <pay id="3" name="American Express"/>
    <pay id="5" name="Maestro (Switch)"/>
    <pay id="8" name="Discover"/>
    <pay id="6" name="Cheque or postal order"/>
    <pay id="9" name="Pay at the shop"/>
  </payment>
  <shops>
    <shop id="11" name="Orlavo Photo York Minster" address1="14 Low Petergate" address2="" city="York" state="North Yorkshire" country="United Kingdom" postcode="YO1 7HZ" phone="01632 960101" storeid="7001"/>
    <shop id="12" name="Orlavo Photo York Station" address1="3 Station Parade" address2="Station Road" city="York" state="North Yorkshire" country="United Kingdom" postcode="YO24 1AB" phone="01632 960102" storeid="7002"/>
    <shop id="21" name="Orlavo Photo Bath Abbey" address1="8 Abbey Green" address2="" city="Bath" state="Somerset" country="United Kingdom" postcode="BA1 1NW" phone="01632 960201" storeid="7101"/>
    <shop id="22" name="Orlavo Photo Bath Milsom" address1="27 Milsom Street" address2="First floor" city="Bath" state="Somerset" country="United Kingdom" postcode="BA1 1DG" phone="01632 960202" storeid="7102"/>
    <shop id="31" name="Orlavo Photo Leeds Arcade" address1="5 Victoria Quarter" address2="County Arcade" city="Leeds" state="West Yorkshire" country="United Kingdom" postcode="LS1 6AZ" phone="01632 960301" storeid="7201"/>
  </shops>
</affiliateinfo>
)XML";
}

// Codes are matched without regard to case. A voucher or promotion gives a
// share or an amount off the prints; a promotion may instead give free prints
// of one product.
std::string_view DemoOffersText() {
    return R"XML(<?xml version="1.0" encoding="UTF-8"?>
<offers>
  <voucher code="WELCOME10" percent="10" text="Voucher WELCOME10: 10% off your prints."/>
  <voucher code="GIFT5" amount="5.00" text="Gift voucher GIFT5: 5.00 off your prints."/>
  <promo code="SPRING20" percent="20" text="Spring promotion: 20% off your prints."/>
  <promo code="FREE10" freeprints="10" product="101" text="Promotion FREE10: up to 10 free 6 x 4 in prints."/>
</offers>
)XML";
}

}  // namespace orlavo::lab
