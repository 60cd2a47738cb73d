#pragma once
// What step 4 (and orlavo-order's summary) says of where the photos were
// taken: "Location: removed from 12 photos".

#include <string>

#include "wizard/photos/OrderModel.h"

namespace orlavo::transmission {

// The photos of ORDER that go to the lab (those with a line) and say where
// they were taken. Reads each one's headers.
int PhotosWithLocation(const wizard::OrderModel& order);

// The line's value for PHOTOS such photos: "removed from %1 photos" when
// REMOVED, else "sent with %1 photos"; "none in these photos" for none.
std::string LocationText(int photos, bool removed);

}  // namespace orlavo::transmission
