#include "wizard/transmission/SendOutcome.h"

#include "resources/WizardResources.h"

namespace orlavo::transmission {

SendOutcome JudgeSession(bool userCancelled, const std::string& errorMessage, bool serverRefused) {
    SendOutcome outcome;
    if (userCancelled) {
        outcome.kind = SendOutcome::Kind::Cancelled;
    } else if (errorMessage.empty()) {
        outcome.kind = SendOutcome::Kind::Sent;
    } else {
        outcome.kind = SendOutcome::Kind::Failed;
        outcome.message = errorMessage;
        outcome.serverRefused = serverRefused;
    }
    return outcome;
}

std::string FailureText(const std::string& message) {
    if (message == "INVALID_CREDIT_CARD") {
        return wizard::Str(154);
    }
    if (message == "UNABLE_SEND_ORDER") {
        return wizard::Str(155);
    }
    return message;
}

}  // namespace orlavo::transmission
