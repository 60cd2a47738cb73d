#pragma once
// What the lab receives of an order, file by file. A photo goes once with
// every line that keeps the whole of it (turned, when the user turned it);
// a line with a crop of its own goes as a photo of its own, the cropped
// file with only that line. Units are numbered 1..N in this order, and N is
// the order's photo count.

#include <cstddef>
#include <string>
#include <vector>

#include "wizard/photos/OrderModel.h"
#include "wizard/transmission/JpegTransform.h"

namespace orlavo::transmission {

struct SendUnit {
    std::size_t photo = 0;  // in the order's selected photos
    int product = -1;       // the line with its own crop; -1: the shared lines
    bool operator==(const SendUnit&) const = default;
};

// For each photo with a line, in order: its shared lines when it has any,
// then each line with its own crop in catalogue order.
std::vector<SendUnit> SendUnits(const wizard::OrderModel& order);

// The photo as the unit's manifest tells it: only the unit's lines.
wizard::SelectedPhoto UnitPhoto(const wizard::SelectedPhoto& photo, const SendUnit& unit);

// "12 photos" (or "1 photo"): what the summary says the lab will receive.
std::string SentPhotosText(std::size_t count);

// What is done to the photo's file for the unit.
PhotoWork UnitWork(const wizard::SelectedPhoto& photo, const SendUnit& unit);

}  // namespace orlavo::transmission
