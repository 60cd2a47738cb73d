#pragma once
// Steps of a window test run one after another from the event loop that is
// running (the wizard's own), each once its condition holds: between two
// steps the windows live as they do for a user, so a window that ends the
// wizard too early is seen, as it would not be from inside one long callback.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

class EventLoopScript {
public:
    // ACT runs once WHEN holds; the script fails when WHEN has not held
    // TIMEOUT_MS after the previous step.
    EventLoopScript& then(std::string what, std::function<bool()> when, std::function<void()> act,
                          int timeoutMs = 60000) {
        steps_.push_back({std::move(what), std::move(when), std::move(act), timeoutMs});
        return *this;
    }
    EventLoopScript& then(std::string what, std::function<void()> act) {
        return then(
            std::move(what), [] { return true; }, std::move(act));
    }
    // Called once when a step fails, e.g. to end the windows it left open.
    void onFailure(std::function<void()> f) { onFailure_ = std::move(f); }

    void start() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start(5);
        since_.start();
    }
    bool finished() const { return next_ == steps_.size() && failure_.empty(); }
    // The step that failed and why; empty while all goes well.
    const std::string& failure() const { return failure_; }
    // The step that runs next (for messages).
    std::string pending() const { return next_ < steps_.size() ? steps_[next_].what : "none"; }

private:
    struct Step {
        std::string what;
        std::function<bool()> when;
        std::function<void()> act;
        int timeoutMs;
    };

    void tick() {
        if (next_ >= steps_.size() || !failure_.empty()) {
            timer_.stop();
            return;
        }
        Step& step = steps_[next_];
        if (!step.when()) {
            if (since_.elapsed() > step.timeoutMs)
                fail("timed out waiting to " + step.what);
            return;
        }
        // A step may show a message box; the timer must not run the next one meanwhile.
        timer_.stop();
        step.act();
        if (::testing::Test::HasFatalFailure()) {
            fail("failed to " + step.what);
            return;
        }
        ++next_;
        since_.start();
        timer_.start(5);
    }

    void fail(std::string why) {
        timer_.stop();
        failure_ = std::move(why);
        ADD_FAILURE() << failure_;
        if (onFailure_)
            onFailure_();
    }

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QTimer timer_;
    QElapsedTimer since_;
    std::string failure_;
    std::function<void()> onFailure_;
};
