#pragma once
// Counts the open connections of each client address, so that one client
// cannot hold every connection the lab will take.

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace orlavo::lab {

class ClientSlots : public std::enable_shared_from_this<ClientSlots> {
public:
    // At most PER_ADDRESS connections from one address; 0: no limit.
    static std::shared_ptr<ClientSlots> Make(std::size_t perAddress);

    // A share for one more connection from ADDRESS, or null when the address
    // holds its limit already. The share is given back when the last copy of
    // it goes; it keeps the counter alive meanwhile.
    std::shared_ptr<void> take(const std::string& address);

private:
    explicit ClientSlots(std::size_t perAddress) : perAddress_(perAddress) {}
    void giveBack(const std::string& address);

    const std::size_t perAddress_;
    std::mutex mutex_;
    std::unordered_map<std::string, std::size_t> held_;  // guarded by mutex_
};

}  // namespace orlavo::lab
