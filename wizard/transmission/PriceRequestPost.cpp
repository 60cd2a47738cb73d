#include "wizard/transmission/PriceRequestPost.h"

#include "wizard/transmission/FailureCode.h"
#include "wizard/transmission/FormBoundary.h"
#include "wizard/transmission/FormParts.h"
#include "wizard/transmission/HttpFormClient.h"

namespace orlavo::transmission {

namespace {

// Stops the transfer once the flag is set; libcurl asks at least once a
// second, also while it waits for the answer.
class CancelFlag : public RequestObserver {
public:
    explicit CancelFlag(const std::atomic<bool>* flag) : flag_(flag) {}
    bool Aborted() const override { return flag_ != nullptr && flag_->load(); }

private:
    const std::atomic<bool>* flag_;
};

}  // namespace

bool PostPriceRequest(std::string_view url, std::string_view requestText, std::string& answer,
                      std::string_view agent, std::string_view caFile, long deadlineSeconds,
                      const std::atomic<bool>* cancel) {
    HttpFormClient client{std::string(agent), 60, std::string(caFile), deadlineSeconds};
    std::uint32_t code = kCodeUnspecified;
    if (!client.Open(url, code)) {
        answer.clear();
        SettleMessage(code, answer);
        return false;
    }
    // The request holds what the customer typed; always one boundary is clear of it.
    const std::string boundary = ChooseBoundary({requestText}).value_or(std::string(kBoundary));
    std::vector<BodyPiece> pieces = ValueFormPieces(kPriceRequestField, requestText, boundary);
    std::uint64_t announced =
        ValuePart(kPriceRequestField, requestText, boundary).size() + ClosingLength(boundary);
    CancelFlag observer(cancel);
    Exchange exchange = client.Post(pieces, announced, &observer, boundary);
    if (!exchange.ok) {
        answer.clear();
        SettleMessage(exchange.code == kCodeMessageSet ? kCodeUnspecified : exchange.code, answer);
        return false;
    }
    answer = std::move(exchange.answer);
    return true;
}

}  // namespace orlavo::transmission
