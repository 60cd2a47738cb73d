#include "lab/ClientSlots.h"

namespace orlavo::lab {

std::shared_ptr<ClientSlots> ClientSlots::Make(std::size_t perAddress) {
    return std::shared_ptr<ClientSlots>(new ClientSlots(perAddress));
}

std::shared_ptr<void> ClientSlots::take(const std::string& address) {
    {
        std::lock_guard lock(mutex_);
        std::size_t& n = held_[address];
        if (perAddress_ > 0 && n >= perAddress_)
            return nullptr;
        ++n;
    }
    // The share owns nothing but the duty to give the count back.
    auto self = shared_from_this();
    return std::shared_ptr<void>(self.get(), [self, address](void*) { self->giveBack(address); });
}

void ClientSlots::giveBack(const std::string& address) {
    std::lock_guard lock(mutex_);
    const auto it = held_.find(address);
    if (it != held_.end() && --it->second == 0)
        held_.erase(it);
}

}  // namespace orlavo::lab
