#include "wizard/transmission/UploadRetry.h"

#include <curl/curl.h>

#include "resources/WizardResources.h"
#include "wizard/transmission/FailureCode.h"
#include "wizard/transmission/UploadAnswer.h"

namespace orlavo::transmission {

std::vector<std::chrono::milliseconds> DefaultRetryPauses() {
    using namespace std::chrono_literals;
    return {1s, 4s, 15s};
}

bool IsPassingFailure(std::uint32_t code) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT:
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_HTTP2:
        case CURLE_PARTIAL_FILE:
        case CURLE_OPERATION_TIMEDOUT:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_FAIL_REWIND:
        case CURLE_AGAIN:
        case CURLE_HTTP2_STREAM:
            return true;
        default:
            return false;
    }
}

AttemptVerdict JudgeAttempt(const Exchange& exchange) {
    AttemptVerdict v;
    if (!exchange.ok) {
        v.kind = IsPassingFailure(exchange.code) ? AttemptVerdict::Kind::Retry
                                                 : AttemptVerdict::Kind::Fail;
        v.code = exchange.code;
        return v;
    }
    v.code = kCodeMessageSet;
    if (exchange.status >= 500 && exchange.status <= 599) {
        v.kind = AttemptVerdict::Kind::Retry;
        v.message = wizard::Str(3576);
        const std::size_t at = v.message.find("%d");
        if (at != std::string::npos)
            v.message.replace(at, 2, std::to_string(exchange.status));
        return v;
    }
    UploadVerdict verdict = JudgeUploadAnswer(exchange.answer);
    if (verdict.accepted) {
        v.kind = AttemptVerdict::Kind::Accepted;
        return v;
    }
    if (!PageTitle(FoldToUpper(exchange.answer.substr(0, kAnswerLimit)))) {
        // Nothing, or a page without a title: not the lab's answer to the order.
        v.kind = AttemptVerdict::Kind::Retry;
        v.message = std::move(verdict.message);
        return v;
    }
    v.kind = AttemptVerdict::Kind::Refused;
    v.message = verdict.message.empty() ? wizard::Str(189) : std::move(verdict.message);
    return v;
}

}  // namespace orlavo::transmission
