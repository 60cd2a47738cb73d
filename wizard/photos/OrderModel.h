#pragma once
// The order: the selected photos in the order they were selected, each with
// one line per catalogue product, and their total size.
//
// Used on the window thread only. The window that shows the thumbnails
// registers an observer and keeps its image list in step: image 0 is the
// placeholder, image i + 1 belongs to photo i.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/NumberText.h"
#include "wizard/photos/SelectedPhoto.h"

namespace orlavo::wizard {

class OrderModel {
public:
    // Told after each change of the photo list.
    class Observer {
    public:
        virtual ~Observer() = default;
        virtual void photoAdded(std::size_t index) = 0;
        virtual void photoRemoved(std::size_t index) = 0;
        virtual void allRemoved() = 0;
        virtual void photoMoved(std::size_t /*from*/, std::size_t /*to*/) {}
    };

    // Every photo gets PRODUCT_COUNT lines; the catalogue sets it once loaded.
    explicit OrderModel(int productCount = 0);

    void setProductCount(int productCount);
    int productCount() const { return productCount_; }

    // NULL for none; the observer must outlive the model or be unset first.
    void setObserver(Observer* observer) { observer_ = observer; }

    // Appends a photo with every line {0, 2}. A path that is selected already
    // is not added again: the result is its index then, and nothing changes.
    std::size_t AddPhoto(std::string path, std::int32_t contentTypeIndex, std::uint64_t fileSize,
                         std::int32_t width, std::int32_t height, std::int32_t thumbWidth = 92,
                         std::int32_t thumbHeight = 92);

    std::size_t PhotoCount() const { return photos_.size(); }
    // A copy of photo I with its lines; an empty record when I is out of range.
    SelectedPhoto PhotoAt(std::size_t i) const;
    const std::vector<SelectedPhoto>& photos() const { return photos_; }
    // Index of the photo with PATH (byte for byte), or -1.
    int IndexOfPath(std::string_view path) const;

    // False when I is out of range; later photos move down by one.
    bool RemovePhotoAt(std::size_t i);
    void RemoveAll();
    // Moves photo FROM, with its lines, to place TO; those between close up.
    // The order of the photos is the order they are sent and numbered in.
    // False for an index out of range.
    bool MovePhoto(std::size_t from, std::size_t to);

    // A quantity of 0 (or below) removes the line. False for an index out of range.
    bool SetQuantity(std::size_t photo, int product, std::int32_t quantity);
    // VALUE 0 off, 1 on.
    bool SetZoomTrim(std::size_t photo, int product, std::int32_t value);
    // The part of the photo the line's print keeps; an empty box brings back
    // the centre crop. A box is kept within the photo.
    bool SetCrop(std::size_t photo, int product, CropBox crop);

    // Turns PHOTO a quarter turn, clockwise or not: its size swaps and the
    // crops of its lines turn with it. False for an index out of range.
    bool TurnPhoto(std::size_t photo, bool clockwise);
    // Sets the turn as recorded (0, 90, 180, 270; others count modulo 360
    // in quarter turns), without touching the size or the crops.
    bool SetTurn(std::size_t photo, std::int32_t degrees);

    // Gives every photo without any line the line PRODUCT with QUANTITY;
    // nothing for PRODUCT -1 or outside the catalogue.
    void ApplyDefaultLine(int product, std::int32_t quantity);

    bool HasAnyLine() const;

    // Sum of quantity x price over every line, in whole hundredths of the
    // currency: exact, however large the order (a sum in binary fractions
    // drifts by cents). PRICE_TEXT gives a product's price text, read by
    // LeadingHundredths. Saturates rather than overflowing.
    std::int64_t Subtotal(const std::function<std::string(int product)>& priceText) const;

    // Sum of the file sizes, 64-bit so that a large order never wraps.
    std::uint64_t selectedBytes() const { return selectedBytes_; }

    // The "Zoom and Trim All" state (0 or 1); 0 until the product page loads it.
    std::int32_t zoomAndTrimAll() const { return zoomAndTrimAll_; }
    void setZoomAndTrimAll(std::int32_t value) { zoomAndTrimAll_ = value != 0 ? 1 : 0; }

    // A line shown for the first time settles an undecided zoomTrim (2) to
    // zoomAndTrimAll; the result is the line's zoomTrim (0 when out of range).
    std::int32_t SettleZoomTrim(std::size_t photo, int product);

private:
    std::vector<SelectedPhoto> photos_;
    std::uint64_t selectedBytes_ = 0;
    int productCount_ = 0;
    std::int32_t zoomAndTrimAll_ = 0;
    Observer* observer_ = nullptr;
};

// The most photos one order may hold.
inline constexpr std::size_t kMaxOrderPhotos = 197;

// Leaving step 1: 0 to go on, else the string number of the message to show,
// 160 "You must select a picture" or 166 "Too much selected pictures!".
int StepOneRefusal(std::size_t photoCount);

// Leaving step 2: 0 to go on, else 145 "One or more pictures have no reason for upload".
int StepTwoRefusal(const OrderModel& order);

using orlavo::LeadingHundredths;
using orlavo::LeadingNumber;

}  // namespace orlavo::wizard
