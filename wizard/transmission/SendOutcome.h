#pragma once
// The one result of sending an order, and the text a failed order is shown
// with.

#include <string>

namespace orlavo::transmission {

struct SendOutcome {
    enum class Kind {
        Cancelled,  // the user stopped it; nothing is shown
        Sent,       // every photo was accepted
        Failed,     // refused by the lab, or the transfer broke off
    };
    Kind kind = Kind::Failed;
    // Failed: the session's message as it came (a refusal title in upper
    // case, or the transport's text).
    std::string message;
    // Failed: the lab refused a photo by its answer's title.
    bool serverRefused = false;
};

// The outcome of a session that has ended.
SendOutcome JudgeSession(bool userCancelled, const std::string& errorMessage, bool serverRefused);

// The text for a failed order: the two refusal codes of the lab become their
// sentences (exact, case-sensitive match); any other message stays as it is.
std::string FailureText(const std::string& message);

}  // namespace orlavo::transmission
