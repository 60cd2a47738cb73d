#pragma once
// One send of an order: a new order id, one manifest per photo with a line,
// one upload session, one SendOutcome. Sending again (after a refusal, a
// fault or a cancel) is a new OrderSend: a new order with a new order id, or
// the rest of the order that stopped, under its id (StartResume).
//
// With a journal folder, the order's journal is written before the first
// request and after each photo the lab accepted, and removed once every
// photo is accepted; an order that stops is left in the journal, claimed by
// this send until TakeUnfinished() hands it on.
//
// Threading contract:
// - Construct, Start(), Pause(), Resume(), Cancel() and Outcome() on one
//   thread (the window's).
// - The reporter's calls come from the worker; Finished() is the last one and
//   comes exactly once. When nothing could be prepared (or the order has no
//   print), Start() calls Finished() itself, on the calling thread, and
//   nothing is sent.
// - Outcome() is read once Finished() has been reported; it waits for the
//   worker to return first.
// - The destructor cancels a running worker and joins it.

#include <memory>
#include <optional>
#include <string>

#include "wizard/catalogue/CXmlDocuments.h"
#include "wizard/photos/OrderModel.h"
#include "wizard/transmission/JournalFolder.h"
#include "wizard/transmission/SendOutcome.h"
#include "wizard/transmission/TransferManifest.h"
#include "wizard/transmission/UploadPreparation.h"
#include "wizard/transmission/UploadSession.h"

namespace orlavo::transmission {

class OrderSend {
public:
    OrderSend(UploadSettings settings, UploadReporter& reporter, UploadClock* clock = nullptr);
    ~OrderSend();
    OrderSend(const OrderSend&) = delete;
    OrderSend& operator=(const OrderSend&) = delete;

    // Keeps the order's progress in FOLDER under PROFILE; before Start().
    void KeepJournal(JournalFolder folder, std::string profile);

    // Builds every manifest from the template in DOCS and the photos of ORDER
    // (MANIFEST_DUMP as for the manifest), then starts the worker. Once only.
    void Start(const wizard::CXmlDocuments& docs, const wizard::OrderModel& order,
               const DiagnosticSink& manifestDump = {});

    // Instead of Start(): sends the rest of the order of CLAIM, whose photos
    // ORDER holds (SameOrder), under its id and with the numbers it had: the
    // photos not yet accepted, and those sent again (PlanResume). Nothing is
    // sent when the order cannot be resumed; when nothing is left, the order
    // is complete.
    void StartResume(const wizard::CXmlDocuments& docs, const wizard::OrderModel& order,
                     std::unique_ptr<JournalClaim> claim, const DiagnosticSink& manifestDump = {});

    // The cancel question: the worker waits at its next safe point while it
    // is open.
    void Pause();
    void Resume();
    // The user confirmed it. True when it reached the worker before the end
    // of its pass; false when the pass had ended already. The outcome has the
    // last word: a photo accepted just before the cancel can still complete
    // the order.
    bool Cancel();

    SendOutcome Outcome();

    const std::string& orderId() const { return orderId_; }
    // The photos sent in this order (those with a line).
    int itemCount() const { return itemCount_; }

    // Once Outcome() is known: the order when it is not complete, with its
    // journal as it stands, so that it can be resumed; null when it is
    // complete or its journal could not be kept.
    std::unique_ptr<JournalClaim> TakeUnfinished();

private:
    void StartSession(PreparedUpload prepared);
    void NoteJournalTrouble(const std::string& error);

    UploadSettings settings_;
    UploadReporter& reporter_;
    UploadClock* clock_;
    std::string orderId_;
    int itemCount_ = 0;
    std::string prepareError_;
    bool started_ = false;
    bool nothingLeft_ = false;
    std::optional<JournalFolder> folder_;
    std::string profile_;
    // Touched by the worker (accepted photos) only while the session runs.
    std::unique_ptr<JournalClaim> claim_;
    bool journalTrouble_ = false;
    std::unique_ptr<UploadSession> session_;
};

}  // namespace orlavo::transmission
