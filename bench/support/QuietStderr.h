#pragma once
// While it lives, this process's standard error goes to /dev/null, and so
// does that of any child started meanwhile: the lab logs every photo it
// receives, which would bury the figures.

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace orlavo::bench {

class QuietStderr {
public:
    QuietStderr() {
        std::fflush(stderr);
        saved_ = ::dup(2);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, 2);
            ::close(null);
        }
    }
    ~QuietStderr() {
        if (saved_ >= 0) {
            ::dup2(saved_, 2);
            ::close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

}  // namespace orlavo::bench
