#pragma once
// Which failures of one photo's request are worth another try. The
// connection refused, dropped or timed out, the lab's server erring (an HTTP
// status of 500 to 599, whatever its page says) and an answer without a title
// pass with time; a refusal by the lab (a title other than DONE) is its
// answer, and an unreadable photo, an unusable address or a certificate that
// fails the check do not mend themselves.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "wizard/transmission/HttpFormClient.h"

namespace orlavo::transmission {

// The pauses before the second, third and fourth try of a photo.
std::vector<std::chrono::milliseconds> DefaultRetryPauses();

struct AttemptVerdict {
    enum class Kind {
        Accepted,  // the lab answered DONE
        Refused,   // the lab answered another title: never tried again
        Retry,     // a failure that may pass
        Fail,      // a failure that will not
    };
    Kind kind = Kind::Fail;
    // Retry and Fail: the failure code (kCodeMessageSet with MESSAGE set, or
    // a transport code); Refused: MESSAGE is the title, or "Upload Failed"
    // for an empty one.
    std::uint32_t code = 0;
    std::string message;
};

// True for the transport's codes of a failure that may pass.
bool IsPassingFailure(std::uint32_t code);

// Judges one try of a photo's request.
AttemptVerdict JudgeAttempt(const Exchange& exchange);

}  // namespace orlavo::transmission
