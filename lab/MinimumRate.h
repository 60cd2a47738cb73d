#pragma once
// The least a request's body must keep moving: every window of kWindow must
// bring kWindow's share of kBytesPerSecond. A quota met early starts the next
// window at once, so bytes sent in a burst earn no credit for a later drip,
// and a client that stops is let go within two windows at most.

#include <chrono>
#include <cstddef>

namespace orlavo::lab {

class MinimumRate {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kWindow{3000};
    static constexpr std::size_t kBytesPerSecond = 1024;
    static constexpr std::size_t kQuota = kBytesPerSecond * kWindow.count() / 1000;

    // A new window from NOW.
    void start(Clock::time_point now) {
        windowStart_ = now;
        bytes_ = 0;
    }
    void add(std::size_t n, Clock::time_point now) {
        bytes_ += n;
        if (bytes_ >= kQuota)
            start(now);
    }
    // When the window's quota must have come.
    Clock::time_point due() const { return windowStart_ + kWindow; }

private:
    Clock::time_point windowStart_ = Clock::now();
    std::size_t bytes_ = 0;
};

}  // namespace orlavo::lab
