#pragma once
// The catalogue the lab serves when its data folder brings none, and the
// voucher and promotion codes it honours when no offers file is given.

#include <string_view>

namespace orlavo::lab {

std::string_view DemoCatalogueText();
std::string_view DemoOffersText();

}  // namespace orlavo::lab
