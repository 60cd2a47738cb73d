#include "wizard/photos/OrderModel.h"

#include "wizard/photos/MoveWithin.h"

#include <algorithm>
#include <cmath>

namespace orlavo::wizard {

OrderModel::OrderModel(int productCount) : productCount_(std::max(productCount, 0)) {}

void OrderModel::setProductCount(int productCount) {
    productCount_ = std::max(productCount, 0);
    // Keeps every photo's lines sized to the catalogue, should it change.
    for (auto& p : photos_) {
        p.orderLines.resize(static_cast<std::size_t>(productCount_));
    }
}

std::size_t OrderModel::AddPhoto(std::string path, std::int32_t contentTypeIndex,
                                 std::uint64_t fileSize, std::int32_t width, std::int32_t height,
                                 std::int32_t thumbWidth, std::int32_t thumbHeight) {
    const int existing = IndexOfPath(path);
    if (existing >= 0) {
        return static_cast<std::size_t>(existing);
    }
    SelectedPhoto p;
    p.path = std::move(path);
    p.contentTypeIndex = contentTypeIndex;
    p.fileSize = fileSize;
    p.width = width;
    p.height = height;
    p.orderLines.assign(static_cast<std::size_t>(productCount_), OrderLine{});
    p.thumbWidth = thumbWidth;
    p.thumbHeight = thumbHeight;
    photos_.push_back(std::move(p));
    selectedBytes_ += fileSize;
    const std::size_t index = photos_.size() - 1;
    if (observer_ != nullptr) {
        observer_->photoAdded(index);
    }
    return index;
}

SelectedPhoto OrderModel::PhotoAt(std::size_t i) const {
    return i < photos_.size() ? photos_[i] : SelectedPhoto{};
}

int OrderModel::IndexOfPath(std::string_view path) const {
    for (std::size_t i = 0; i < photos_.size(); ++i) {
        if (photos_[i].path == path) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool OrderModel::RemovePhotoAt(std::size_t i) {
    if (i >= photos_.size()) {
        return false;
    }
    selectedBytes_ -= photos_[i].fileSize;
    photos_.erase(photos_.begin() + static_cast<std::ptrdiff_t>(i));
    if (observer_ != nullptr) {
        observer_->photoRemoved(i);
    }
    return true;
}

bool OrderModel::MovePhoto(std::size_t from, std::size_t to) {
    if (from >= photos_.size() || to >= photos_.size())
        return false;
    MoveWithin(photos_, from, to);
    if (observer_ != nullptr)
        observer_->photoMoved(from, to);
    return true;
}

void OrderModel::RemoveAll() {
    photos_.clear();
    selectedBytes_ = 0;
    if (observer_ != nullptr) {
        observer_->allRemoved();
    }
}

bool OrderModel::SetQuantity(std::size_t photo, int product, std::int32_t quantity) {
    if (photo >= photos_.size() || product < 0 || product >= productCount_) {
        return false;
    }
    photos_[photo].orderLines[static_cast<std::size_t>(product)].quantity = std::max(quantity, 0);
    return true;
}

bool OrderModel::SetZoomTrim(std::size_t photo, int product, std::int32_t value) {
    if (photo >= photos_.size() || product < 0 || product >= productCount_) {
        return false;
    }
    photos_[photo].orderLines[static_cast<std::size_t>(product)].zoomTrim = value;
    return true;
}

bool OrderModel::SetCrop(std::size_t photo, int product, CropBox crop) {
    if (photo >= photos_.size() || product < 0 || product >= productCount_) {
        return false;
    }
    const SelectedPhoto& p = photos_[photo];
    if (!crop.empty()) {
        crop.x = std::clamp(crop.x, 0, std::max(p.width - 1, 0));
        crop.y = std::clamp(crop.y, 0, std::max(p.height - 1, 0));
        crop.width = std::min(crop.width, p.width - crop.x);
        crop.height = std::min(crop.height, p.height - crop.y);
    }
    photos_[photo].orderLines[static_cast<std::size_t>(product)].crop =
        crop.empty() ? CropBox{} : crop;
    return true;
}

bool OrderModel::TurnPhoto(std::size_t photo, bool clockwise) {
    if (photo >= photos_.size()) {
        return false;
    }
    SelectedPhoto& p = photos_[photo];
    for (OrderLine& line : p.orderLines) {
        line.crop = TurnCrop(line.crop, p.width, p.height, clockwise);
    }
    std::swap(p.width, p.height);
    p.turn = ((p.turn + (clockwise ? 90 : 270)) % 360 + 360) % 360;
    return true;
}

bool OrderModel::SetTurn(std::size_t photo, std::int32_t degrees) {
    if (photo >= photos_.size()) {
        return false;
    }
    photos_[photo].turn = ((degrees / 90 % 4 + 4) % 4) * 90;
    return true;
}

std::int32_t OrderModel::SettleZoomTrim(std::size_t photo, int product) {
    if (photo >= photos_.size() || product < 0 || product >= productCount_) {
        return 0;
    }
    OrderLine& line = photos_[photo].orderLines[static_cast<std::size_t>(product)];
    if (line.zoomTrim == 2) {
        line.zoomTrim = zoomAndTrimAll_;
    }
    return line.zoomTrim;
}

void OrderModel::ApplyDefaultLine(int product, std::int32_t quantity) {
    if (product < 0 || product >= productCount_) {
        return;
    }
    for (std::size_t i = 0; i < photos_.size(); ++i) {
        if (!photos_[i].hasAnyLine()) {
            SetQuantity(i, product, quantity);
        }
    }
}

bool OrderModel::HasAnyLine() const {
    return std::any_of(photos_.begin(), photos_.end(),
                       [](const SelectedPhoto& p) { return p.hasAnyLine(); });
}

std::int64_t OrderModel::Subtotal(const std::function<std::string(int product)>& priceText) const {
    std::int64_t sum = 0;
    for (const SelectedPhoto& p : photos_) {
        const int lines = std::min(productCount_, static_cast<int>(p.orderLines.size()));
        for (int j = 0; j < lines; ++j) {
            const std::int32_t q = p.orderLines[static_cast<std::size_t>(j)].quantity;
            if (q <= 0) {
                continue;
            }
            const std::int64_t term = LineHundredths(priceText(j), q);
            if (__builtin_add_overflow(sum, term, &sum))
                return term < 0 ? INT64_MIN : INT64_MAX;
        }
    }
    return sum;
}

int StepOneRefusal(std::size_t photoCount) {
    if (photoCount == 0) {
        return 160;
    }
    if (photoCount > kMaxOrderPhotos) {
        return 166;
    }
    return 0;
}

int StepTwoRefusal(const OrderModel& order) {
    return order.HasAnyLine() ? 0 : 145;
}

}  // namespace orlavo::wizard
