#pragma once
// Sending the rest of an interrupted order: whether it can be resumed with
// the lab and catalogue at hand, the order it was, what is left to send, and
// the texts that tell the user. The protocol is unchanged: the photos left
// go under the order's id with their own numbers and the order's photo count,
// so the lab sees one order; a photo sent again replaces the lab's copy.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/PrivateFiles.h"
#include "wizard/catalogue/CXmlDocuments.h"
#include "wizard/photos/OrderModel.h"
#include "wizard/transmission/OrderJournal.h"

namespace orlavo::transmission {

// Why the order of JOURNAL cannot be resumed from here: the lab's upload
// address has changed, or the catalogue no longer offers one of its products
// or its payment method. Empty when it can.
std::string ResumeProblem(const OrderJournal& journal, const std::string& uploadUrl,
                          const wizard::CXmlDocuments& docs);

// Empties ORDER and puts in the photos of JOURNAL with their lines, each
// with its size as the file has it now. The empty text, or why not (a
// product the catalogue lacks).
std::string RestoreOrder(const OrderJournal& journal, const wizard::CXmlDocuments& docs,
                         wizard::OrderModel& order);

// True when the photos of ORDER that have a line are, in order, the photos
// of JOURNAL with the same prints: the order has not been changed since.
bool SameOrder(const OrderJournal& journal, const wizard::OrderModel& order,
               const wizard::CXmlDocuments& docs);

struct ResumePlan {
    // Not empty: the order cannot be resumed, and why (a photo is gone).
    std::string problem;
    // The photos to send, by number, ascending.
    std::vector<int> numbers;
    // Photos the lab had accepted that changed on disk since (size or
    // modification time): they are sent again in full.
    std::vector<int> changed;
    // The details differ from those the lab has: every photo goes again so
    // that the whole order carries the same ones.
    bool detailsChanged = false;
};

// What to send of JOURNAL: every photo not yet accepted, and the accepted
// ones that changed. STAMPS[i] is photo i + 1 as it is on disk now (none when
// it is gone); DETAILS and DEALER are what the manifests will carry now.
ResumePlan PlanResume(const OrderJournal& journal,
                      const std::vector<std::optional<FileStamp>>& stamps,
                      const wizard::CustomerDetails& details,
                      const std::optional<std::string>& dealer);

// The same with the files as they are now and the details of the template.
ResumePlan PlanResumeNow(const OrderJournal& journal, const wizard::CXmlDocuments& docs);

// "An order of 37 photos from 7 December was interrupted: 21 sent, 16 left";
// the year is added when it is not the year of NOW (seconds since 1970).
std::string InterruptedOrderText(const OrderJournal& journal, std::int64_t now);

// What resuming will do: the photos that reached the lab, those that go
// now, and those sent again because they changed.
std::string ResumePlanText(const OrderJournal& journal, const ResumePlan& plan);

}  // namespace orlavo::transmission
