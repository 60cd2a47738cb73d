#include "wizard/transmission/OrderSend.h"

#include <ctime>

#include "resources/WizardResources.h"
#include "wizard/transmission/OrderResume.h"

namespace orlavo::transmission {

OrderSend::OrderSend(UploadSettings settings, UploadReporter& reporter, UploadClock* clock)
    : settings_(std::move(settings)), reporter_(reporter), clock_(clock) {}

OrderSend::~OrderSend() {
    // The worker may still write the journal: it stops before the claim goes.
    session_.reset();
}

void OrderSend::KeepJournal(JournalFolder folder, std::string profile) {
    folder_ = std::move(folder);
    profile_ = std::move(profile);
}

void OrderSend::Start(const wizard::CXmlDocuments& docs, const wizard::OrderModel& order,
                      const DiagnosticSink& manifestDump) {
    if (started_) {
        return;
    }
    started_ = true;
    PreparedUpload prepared = PrepareUpload(docs, order, manifestDump, settings_.removeLocation);
    orderId_ = prepared.orderId;
    if (!prepared.ok || prepared.items.empty()) {
        // An order without a print would "succeed" with nothing sent; the
        // steps before keep it from coming here, and so does this.
        prepareError_ = prepared.ok ? wizard::Str(160) : prepared.message;
        reporter_.Finished();
        return;
    }
    if (folder_) {
        std::string error;
        OrderJournal journal =
            NewJournal(orderId_, profile_, settings_.uploadUrl,
                       static_cast<std::int64_t>(std::time(nullptr)), docs, order);
        journal.removeLocation = settings_.removeLocation;
        claim_ = folder_->ClaimNew(std::move(journal), error);
        if (!claim_) {
            NoteJournalTrouble(error);
        }
    }
    StartSession(std::move(prepared));
}

void OrderSend::StartResume(const wizard::CXmlDocuments& docs, const wizard::OrderModel& order,
                            std::unique_ptr<JournalClaim> claim,
                            const DiagnosticSink& manifestDump) {
    if (started_ || !claim) {
        return;
    }
    started_ = true;
    claim_ = std::move(claim);
    OrderJournal journal = claim_->journal();
    orderId_ = journal.orderId;
    if (!SameOrder(journal, order, docs)) {
        prepareError_ = wizard::Str(3578);
        reporter_.Finished();
        return;
    }
    const ResumePlan plan = PlanResumeNow(journal, docs);
    if (!plan.problem.empty()) {
        prepareError_ = plan.problem;
        reporter_.Finished();
        return;
    }
    if (plan.numbers.empty()) {
        // Every photo had arrived before the order stopped.
        nothingLeft_ = true;
        reporter_.Finished();
        return;
    }
    // The rest goes as the first part went, whatever the setting says now.
    PreparedUpload prepared = PrepareResumedUpload(docs, order, orderId_, plan.numbers,
                                                   manifestDump, journal.removeLocation);
    if (!prepared.ok || prepared.items.empty()) {
        prepareError_ = prepared.ok ? wizard::Str(160) : prepared.message;
        reporter_.Finished();
        return;
    }
    // What goes now is no longer accepted until the lab says so again; the
    // journal takes the files and details as they are sent.
    std::optional<std::string> dealer;
    journal.details = DetailsFromTemplate(docs, &dealer);
    journal.dealerNumber = dealer;
    for (int number : plan.numbers) {
        JournalPhoto* photo = journal.photo(number);
        photo->accepted = false;
        if (std::optional<FileStamp> now = StampOf(photo->path)) {
            photo->size = now->size;
            photo->modifiedNs = now->modifiedNs;
        }
    }
    if (std::string error = claim_->Write(journal); !error.empty()) {
        NoteJournalTrouble(error);
    }
    StartSession(std::move(prepared));
}

void OrderSend::StartSession(PreparedUpload prepared) {
    itemCount_ = static_cast<int>(prepared.items.size());
    UploadSettings settings = settings_;
    if (claim_) {
        settings.accepted = [this](int number) {
            if (std::string error = claim_->MarkAccepted(number); !error.empty()) {
                NoteJournalTrouble(error);
            }
        };
    }
    session_ = std::make_unique<UploadSession>(std::move(settings), std::move(prepared.items),
                                               prepared.totalBytes, reporter_, clock_);
    session_->Start();
}

void OrderSend::NoteJournalTrouble(const std::string& error) {
    // Once per send: the order goes on without a way back after a crash.
    if (journalTrouble_) {
        return;
    }
    journalTrouble_ = true;
    std::string text = wizard::Str(3577);
    const std::size_t at = text.find("%1");
    if (at != std::string::npos) {
        text.replace(at, 2, error);
    }
    reporter_.Notice(text);
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
    SendOutcome outcome;
    if (nothingLeft_) {
        outcome.kind = SendOutcome::Kind::Sent;
    } else if (!session_) {
        // Nothing was sent: the preparation failed, or Start() never ran.
        outcome =
            JudgeSession(false, prepareError_.empty() ? wizard::Str(153) : prepareError_, false);
    } else {
        session_->Wait();
        outcome = JudgeSession(session_->UserCancelled(), session_->ErrorMessage(),
                               session_->ServerRefused());
    }
    if (outcome.kind == SendOutcome::Kind::Sent && claim_) {
        claim_->Remove();
        claim_.reset();
    }
    return outcome;
}

std::unique_ptr<JournalClaim> OrderSend::TakeUnfinished() {
    if (session_) {
        session_->Wait();
    }
    return std::move(claim_);
}

}  // namespace orlavo::transmission
