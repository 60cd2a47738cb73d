#include "wizard/transmission/OrderSend.h"

#include "resources/WizardResources.h"
#include "wizard/transmission/UploadPreparation.h"

namespace orlavo::transmission {

OrderSend::OrderSend(UploadSettings settings, UploadReporter& reporter, UploadClock* clock)
    : settings_(std::move(settings)), reporter_(reporter), clock_(clock) {}

OrderSend::~OrderSend() = default;

void OrderSend::Start(const wizard::CXmlDocuments& docs, const wizard::OrderModel& order,
                      const DiagnosticSink& manifestDump) {
    if (started_) {
        return;
    }
    started_ = true;
    PreparedUpload prepared = PrepareUpload(docs, order, manifestDump);
    orderId_ = prepared.orderId;
    if (!prepared.ok || prepared.items.empty()) {
        // An order without a print would "succeed" with nothing sent; the
        // steps before keep it from coming here, and so does this.
        prepareError_ = prepared.ok ? wizard::Str(160) : prepared.message;
        reporter_.Finished();
        return;
    }
    itemCount_ = static_cast<int>(prepared.items.size());
    session_ = std::make_unique<UploadSession>(settings_, std::move(prepared.items),
                                               prepared.totalBytes, reporter_, clock_);
    session_->Start();
}

void OrderSend::Pause() {
    if (session_) {
        session_->Pause();
    }
}

void OrderSend::Resume() {
    if (session_) {
        session_->Resume();
    }
}

bool OrderSend::Cancel() {
    if (!session_) {
        return false;
    }
    session_->Cancel();
    return session_->UserCancelled();
}

SendOutcome OrderSend::Outcome() {
    if (!session_) {
        // Nothing was sent: the preparation failed, or Start() never ran.
        return JudgeSession(false, prepareError_.empty() ? wizard::Str(153) : prepareError_, false);
    }
    session_->Wait();
    return JudgeSession(session_->UserCancelled(), session_->ErrorMessage(),
                        session_->ServerRefused());
}

}  // namespace orlavo::transmission
