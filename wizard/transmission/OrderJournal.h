#pragma once
// The journal of an order being sent: what it takes to send the rest of it
// after a failure, a crash or a power cut. It holds the order id, the
// profile and the lab's upload address, the photos with their lines, sizes
// and modification times, the customer's details without any card data, and
// which photos the lab accepted. Card numbers, security codes, names on
// cards, card dates and issue numbers are never in it: a text holding them is
// refused when read.
//
// The text is one record a line, fields separated by tabs, with "\\", "\t",
// "\n", "\r" and "\xHH" escapes in values; the first line names the format
// and its version, the last line is "end", so a cut text is told from a
// whole one. Pure functions; no files here (JournalFolder keeps them).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "wizard/catalogue/CXmlDocuments.h"
#include "wizard/customer/CustomerDetails.h"
#include "wizard/photos/OrderModel.h"

namespace orlavo::transmission {

// The version this program writes, and the oldest it reads.
// Version 2 adds the turns of photos and the crops of lines, version 3
// whether the photos went without their location.
inline constexpr int kJournalVersion = 3;
inline constexpr int kOldestJournalVersion = 1;

// One print of a photo: the catalogue product by its id, which outlives the
// product's place in a catalogue.
struct JournalLine {
    JournalLine() = default;
    JournalLine(std::string id, std::int32_t q, std::int32_t z, wizard::CropBox c = {})
        : productId(std::move(id)), quantity(q), zoomTrim(z), crop(c) {}

    std::string productId;
    std::int32_t quantity = 0;
    std::int32_t zoomTrim = 0;
    // The line's own crop; empty for the centre crop.
    wizard::CropBox crop;
    bool operator==(const JournalLine&) const = default;
};

struct JournalPhoto {
    int number = 0;  // 1..N, as the photo's manifest carries it
    std::string path;
    std::int32_t contentTypeIndex = 0;
    std::uint64_t size = 0;       // when the order was first sent
    std::int64_t modifiedNs = 0;  // likewise
    std::int32_t width = 0;       // as seen, turned
    std::int32_t height = 0;
    std::int32_t turn = 0;           // degrees clockwise, as the order had it
    std::vector<JournalLine> lines;  // in catalogue order
    bool accepted = false;           // the lab answered DONE
};

struct OrderJournal {
    std::string orderId;
    std::string profile;
    std::string uploadUrl;
    std::int64_t startedAt = 0;  // seconds since 1970, when it was first sent
    // The details as step 3 handed them over, card data left out.
    wizard::CustomerDetails details;
    // The dealer number the manifests carried; none when they carried none.
    std::optional<std::string> dealerNumber;
    std::vector<JournalPhoto> photos;  // by number
    // The photos went without their location; a resume sends the rest so too.
    bool removeLocation = false;

    int photoCount() const { return static_cast<int>(photos.size()); }
    int acceptedCount() const;
    // The photo with NUMBER; null when there is none.
    JournalPhoto* photo(int number);
};

// The record without any card data: number, security code, name on card,
// start and expiry dates, issue number.
wizard::CustomerDetails WithoutCardData(wizard::CustomerDetails record);

// The customer's details as the manifest template holds them (the country
// names kept beside it, not the codes), card data left out, and the dealer
// number when the template carries one.
wizard::CustomerDetails DetailsFromTemplate(const wizard::CXmlDocuments& docs,
                                            std::optional<std::string>* dealerNumber = nullptr);

// The record of PHOTO (only the lines its unit sends, see UnitPhoto) as
// number NUMBER, with its size and time as the file has it now.
JournalPhoto JournalUnit(const wizard::CXmlDocuments& docs, const wizard::SelectedPhoto& photo,
                         int number);

// The journal of a new order ORDER_ID: the units of ORDER (SendUnits),
// numbered 1..N as the upload numbers them, with their sizes and times as
// the files have them now; the details and dealer number from the template.
OrderJournal NewJournal(const std::string& orderId, const std::string& profile,
                        const std::string& uploadUrl, std::int64_t startedAt,
                        const wizard::CXmlDocuments& docs, const wizard::OrderModel& order);

std::string FormatJournal(const OrderJournal& journal);

struct JournalReading {
    enum class Status {
        Ok,
        Damaged,  // not a journal, cut short, or holding what a journal never holds
        Older,    // a version this program no longer reads
        Newer,    // made by a newer program
    };
    Status status = Status::Damaged;
    // Why it cannot be used, for the message; empty when Ok.
    std::string problem;
    int version = 0;
    OrderJournal journal;
};

JournalReading ParseJournal(std::string_view text);

}  // namespace orlavo::transmission
