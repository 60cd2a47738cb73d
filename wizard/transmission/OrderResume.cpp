#include "wizard/transmission/OrderResume.h"

#include <ctime>

#include "common/TextRules.h"
#include "resources/WizardResources.h"
#include "wizard/transmission/SendUnits.h"
#include "wizard/transmission/TransferManifest.h"

namespace orlavo::transmission {

namespace {

constexpr int kMonthNames = 3560;  // January; the eleven months after it follow

// Catalogue index of each product id.
int ProductIndex(const wizard::CXmlDocuments& docs, const std::string& id) {
    for (int i = 0; i < docs.GetProductCount(); ++i) {
        if (docs.GetProductId(i) == id)
            return i;
    }
    return -1;
}

std::tm LocalTime(std::int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

}  // namespace

std::string ResumeProblem(const OrderJournal& journal, const std::string& uploadUrl,
                          const wizard::CXmlDocuments& docs) {
    if (journal.uploadUrl != uploadUrl)
        return FillPlaceholders(wizard::Str(3572), {journal.uploadUrl});
    for (const JournalPhoto& photo : journal.photos) {
        for (const JournalLine& line : photo.lines) {
            if (ProductIndex(docs, line.productId) < 0)
                return FillPlaceholders(wizard::Str(3573), {line.productId});
        }
    }
    bool paymentKnown = false;
    for (int i = 0; i < docs.GetPaymentCount(); ++i)
        paymentKnown = paymentKnown || docs.GetPayment(i).id == journal.details.cctype;
    if (!paymentKnown)
        return FillPlaceholders(wizard::Str(3574), {journal.details.cctype});
    return {};
}

std::string RestoreOrder(const OrderJournal& journal, const wizard::CXmlDocuments& docs,
                         wizard::OrderModel& order) {
    order.RemoveAll();
    order.setProductCount(docs.GetProductCount());
    for (const JournalPhoto& photo : journal.photos) {
        const std::optional<FileStamp> now = StampOf(photo.path);
        const std::size_t index =
            order.AddPhoto(photo.path, photo.contentTypeIndex, now ? now->size : photo.size,
                           photo.width, photo.height);
        order.SetTurn(index, photo.turn);
        for (const JournalLine& line : photo.lines) {
            const int product = ProductIndex(docs, line.productId);
            if (product < 0) {
                order.RemoveAll();
                return FillPlaceholders(wizard::Str(3573), {line.productId});
            }
            order.SetQuantity(index, product, line.quantity);
            order.SetZoomTrim(index, product, line.zoomTrim);
            order.SetCrop(index, product, line.crop);
        }
    }
    return {};
}

bool SameOrder(const OrderJournal& journal, const wizard::OrderModel& order,
               const wizard::CXmlDocuments& docs) {
    const std::vector<SendUnit> units = SendUnits(order);
    if (units.size() != journal.photos.size())
        return false;
    for (std::size_t k = 0; k < units.size(); ++k) {
        const JournalPhoto& then = journal.photos[k];
        const JournalPhoto now =
            JournalUnit(docs, UnitPhoto(order.photos()[units[k].photo], units[k]), then.number);
        if (now.path != then.path || now.turn != then.turn || now.lines != then.lines)
            return false;
    }
    return true;
}

ResumePlan PlanResume(const OrderJournal& journal,
                      const std::vector<std::optional<FileStamp>>& stamps,
                      const wizard::CustomerDetails& details,
                      const std::optional<std::string>& dealer) {
    ResumePlan plan;
    const wizard::CustomerDetails now = WithoutCardData(details);
    const wizard::CustomerDetails& then = journal.details;
    for (const wizard::CustomerField& f : wizard::CustomerFields())
        plan.detailsChanged = plan.detailsChanged || now.*f.member != then.*f.member;
    plan.detailsChanged = plan.detailsChanged || dealer != journal.dealerNumber;
    for (std::size_t i = 0; i < journal.photos.size(); ++i) {
        const JournalPhoto& photo = journal.photos[i];
        const std::optional<FileStamp> stamp = i < stamps.size() ? stamps[i] : std::nullopt;
        if (!stamp) {
            plan.problem = FillPlaceholders(wizard::Str(3575), {photo.path});
            plan.numbers.clear();
            plan.changed.clear();
            return plan;
        }
        const bool changed = stamp->size != photo.size || stamp->modifiedNs != photo.modifiedNs;
        if (photo.accepted && changed)
            plan.changed.push_back(photo.number);
        if (!photo.accepted || changed || plan.detailsChanged)
            plan.numbers.push_back(photo.number);
    }
    return plan;
}

ResumePlan PlanResumeNow(const OrderJournal& journal, const wizard::CXmlDocuments& docs) {
    std::vector<std::optional<FileStamp>> stamps;
    for (const JournalPhoto& photo : journal.photos)
        stamps.push_back(StampOf(photo.path));
    std::optional<std::string> dealer;
    const wizard::CustomerDetails details = DetailsFromTemplate(docs, &dealer);
    return PlanResume(journal, stamps, details, dealer);
}

std::string InterruptedOrderText(const OrderJournal& journal, std::int64_t now) {
    const std::tm started = LocalTime(journal.startedAt);
    const std::tm today = LocalTime(now);
    const std::string month = wizard::Str(kMonthNames + started.tm_mon);
    const std::string day = std::to_string(started.tm_mday);
    const std::string date =
        started.tm_year == today.tm_year
            ? FillPlaceholders(wizard::Str(3555), {day, month})
            : FillPlaceholders(wizard::Str(3556),
                               {day, month, std::to_string(started.tm_year + 1900)});
    const int count = journal.photoCount();
    const int sent = journal.acceptedCount();
    return FillPlaceholders(
        wizard::Str(count == 1 ? 3554 : 3553),
        {std::to_string(count), date, std::to_string(sent), std::to_string(count - sent)});
}

std::string ResumePlanText(const OrderJournal& journal, const ResumePlan& plan) {
    if (!plan.problem.empty())
        return plan.problem;
    std::string text =
        FillPlaceholders(wizard::Str(3557), {std::to_string(journal.acceptedCount()),
                                             std::to_string(journal.photoCount()), journal.orderId,
                                             std::to_string(plan.numbers.size())});
    if (plan.detailsChanged) {
        text += " " + wizard::Str(3559);
    } else if (!plan.changed.empty()) {
        std::string names;
        for (int number : plan.changed) {
            if (!names.empty())
                names += ", ";
            names += ManifestFileName(journal.photos[static_cast<std::size_t>(number - 1)].path);
        }
        text += " " + FillPlaceholders(wizard::Str(3558), {names});
    }
    return text;
}

}  // namespace orlavo::transmission
