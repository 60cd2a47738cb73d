#include "wizard/transmission/OrderJournal.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>

#include "platform/PrivateFiles.h"
#include "resources/WizardResources.h"
#include "wizard/transmission/SendUnits.h"
#include "wizard/transmission/TransferManifest.h"

namespace orlavo::transmission {

namespace {

constexpr std::string_view kHeader = "Orlavo order journal";

using Member = std::string wizard::CustomerDetails::*;

// What a journal never holds.
constexpr Member kCardData[] = {
    &wizard::CustomerDetails::ccnumber,     &wizard::CustomerDetails::ccstartmonth,
    &wizard::CustomerDetails::ccstartyear,  &wizard::CustomerDetails::ccexpiremonth,
    &wizard::CustomerDetails::ccexpireyear, &wizard::CustomerDetails::nameoncard,
    &wizard::CustomerDetails::issueno,      &wizard::CustomerDetails::securitycode,
};

bool IsCardData(Member member) {
    return std::find(std::begin(kCardData), std::end(kCardData), member) != std::end(kCardData);
}

std::string FieldKey(const wizard::CustomerField& f) {
    return std::string(f.element) + "." + std::string(f.attribute);
}

std::string Escape(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (b < 0x20 || b == 0x7F) {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else
            out += c;
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        switch (text[i]) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 'x': {
                if (i + 2 >= text.size())
                    return std::nullopt;
                const int hi = HexDigit(text[i + 1]);
                const int lo = HexDigit(text[i + 2]);
                if (hi < 0 || lo < 0)
                    return std::nullopt;
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return out;
}

template <class T>
std::optional<T> Number(std::string_view text, T low, T high) {
    T value{};
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || at != end || value < low || value > high)
        return std::nullopt;
    return value;
}

bool IsOrderId(std::string_view id) {
    return id.size() == kOrderIdLength &&
           id.find_first_not_of(kOrderIdAlphabet) == std::string_view::npos;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t from = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab == std::string_view::npos ? tab : tab - from));
        if (tab == std::string_view::npos)
            return fields;
        from = tab + 1;
    }
}

std::string Fill(std::string text, long long value) {
    const std::size_t at = text.find("%d");
    if (at != std::string::npos)
        text.replace(at, 2, std::to_string(value));
    return text;
}

JournalReading Damaged(std::string problem) {
    JournalReading r;
    r.status = JournalReading::Status::Damaged;
    r.problem = std::move(problem);
    return r;
}

JournalReading DamagedAt(int line) {
    return Damaged(Fill(wizard::Str(3541), line));
}

}  // namespace

int OrderJournal::acceptedCount() const {
    return static_cast<int>(std::count_if(photos.begin(), photos.end(),
                                          [](const JournalPhoto& p) { return p.accepted; }));
}

JournalPhoto* OrderJournal::photo(int number) {
    if (number < 1 || number > photoCount())
        return nullptr;
    JournalPhoto& p = photos[static_cast<std::size_t>(number - 1)];
    return p.number == number ? &p : nullptr;
}

wizard::CustomerDetails WithoutCardData(wizard::CustomerDetails record) {
    for (Member m : kCardData)
        (record.*m).clear();
    return record;
}

wizard::CustomerDetails DetailsFromTemplate(const wizard::CXmlDocuments& docs,
                                            std::optional<std::string>* dealerNumber) {
    wizard::CustomerDetails record;
    const xml::Document& manifest = docs.manifestTemplate();
    for (const wizard::CustomerField& f : wizard::CustomerFields()) {
        if (IsCardData(f.member))
            continue;
        xml::Node element = manifest.selectSingle("transfermanifest/" + std::string(f.element));
        record.*f.member = element ? element.attribute(f.attribute) : std::string();
    }
    record.country = docs.billingCountryName;
    record.shippingCountry = docs.shippingCountryName;
    if (dealerNumber) {
        xml::Node user = manifest.selectSingle("transfermanifest/user");
        if (user && user.hasAttribute("dealernumber"))
            *dealerNumber = user.attribute("dealernumber");
        else
            dealerNumber->reset();
    }
    return record;
}

JournalPhoto JournalUnit(const wizard::CXmlDocuments& docs, const wizard::SelectedPhoto& photo,
                         int number) {
    JournalPhoto p;
    p.number = number;
    p.path = photo.path;
    p.contentTypeIndex = photo.contentTypeIndex;
    p.size = photo.fileSize;
    if (std::optional<FileStamp> stamp = StampOf(photo.path)) {
        p.size = stamp->size;
        p.modifiedNs = stamp->modifiedNs;
    }
    p.width = photo.width;
    p.height = photo.height;
    p.turn = photo.turn;
    for (std::size_t j = 0; j < photo.orderLines.size(); ++j) {
        const wizard::OrderLine& line = photo.orderLines[j];
        if (line.quantity > 0)
            p.lines.push_back({docs.GetProductId(static_cast<int>(j)), line.quantity, line.zoomTrim,
                               line.hasOwnCrop() ? line.crop : wizard::CropBox{}});
    }
    return p;
}

OrderJournal NewJournal(const std::string& orderId, const std::string& profile,
                        const std::string& uploadUrl, std::int64_t startedAt,
                        const wizard::CXmlDocuments& docs, const wizard::OrderModel& order) {
    OrderJournal journal;
    journal.orderId = orderId;
    journal.profile = profile;
    journal.uploadUrl = uploadUrl;
    journal.startedAt = startedAt;
    journal.details = DetailsFromTemplate(docs, &journal.dealerNumber);
    int number = 0;
    for (const SendUnit& unit : SendUnits(order))
        journal.photos.push_back(
            JournalUnit(docs, UnitPhoto(order.photos()[unit.photo], unit), ++number));
    return journal;
}

std::string FormatJournal(const OrderJournal& j) {
    std::string out;
    const auto record = [&out](std::initializer_list<std::string_view> fields) {
        bool first = true;
        for (std::string_view f : fields) {
            if (!first)
                out += '\t';
            out += first ? std::string(f) : Escape(f);
            first = false;
        }
        out += '\n';
    };
    record({kHeader, std::to_string(kJournalVersion)});
    record({"order", j.orderId});
    record({"profile", j.profile});
    record({"upload", j.uploadUrl});
    record({"started", std::to_string(j.startedAt)});
    for (const wizard::CustomerField& f : wizard::CustomerFields()) {
        if (!IsCardData(f.member))
            record({"detail", FieldKey(f), j.details.*f.member});
    }
    if (j.dealerNumber)
        record({"dealer", *j.dealerNumber});
    if (j.removeLocation)
        record({"location", "remove"});
    for (const JournalPhoto& p : j.photos) {
        record({"photo", std::to_string(p.number), std::to_string(p.contentTypeIndex),
                std::to_string(p.size), std::to_string(p.modifiedNs), std::to_string(p.width),
                std::to_string(p.height), p.path});
        if (p.turn != 0)
            record({"turn", std::to_string(p.number), std::to_string(p.turn)});
        for (const JournalLine& l : p.lines) {
            record({"line", std::to_string(p.number), std::to_string(l.quantity),
                    std::to_string(l.zoomTrim), l.productId});
            if (!l.crop.empty())
                record({"crop", std::to_string(p.number), std::to_string(l.crop.x),
                        std::to_string(l.crop.y), std::to_string(l.crop.width),
                        std::to_string(l.crop.height)});
        }
    }
    for (const JournalPhoto& p : j.photos) {
        if (p.accepted)
            record({"accepted", std::to_string(p.number)});
    }
    record({"end", std::to_string(j.photos.size())});
    return out;
}

JournalReading ParseJournal(std::string_view text) {
    // The header decides whether this is a journal at all, and which version.
    const std::size_t firstEnd = text.find('\n');
    const std::vector<std::string_view> head =
        SplitTabs(text.substr(0, firstEnd == std::string_view::npos ? text.size() : firstEnd));
    if (head.size() != 2 || head[0] != kHeader)
        return Damaged(wizard::Str(3540));
    const std::optional<int> version = Number<int>(head[1], 0, 1000000);
    if (!version)
        return Damaged(wizard::Str(3540));
    if (*version < kOldestJournalVersion || *version > kJournalVersion) {
        JournalReading r;
        const bool newer = *version > kJournalVersion;
        r.status = newer ? JournalReading::Status::Newer : JournalReading::Status::Older;
        r.version = *version;
        r.problem = Fill(wizard::Str(newer ? 3545 : 3544), *version);
        return r;
    }

    std::map<std::string, Member> detailKeys;
    std::set<std::string> cardKeys;
    for (const wizard::CustomerField& f : wizard::CustomerFields()) {
        if (IsCardData(f.member))
            cardKeys.insert(FieldKey(f));
        else
            detailKeys.emplace(FieldKey(f), f.member);
    }

    JournalReading r;
    r.version = *version;
    OrderJournal& j = r.journal;
    std::set<std::string> seen;
    bool ended = false;
    int lineNumber = 1;
    std::size_t from = firstEnd == std::string_view::npos ? text.size() : firstEnd + 1;
    while (from < text.size()) {
        ++lineNumber;
        const std::size_t end = text.find('\n', from);
        if (end == std::string_view::npos)
            return Damaged(wizard::Str(3542));  // the last line lacks its end
        const std::vector<std::string_view> raw = SplitTabs(text.substr(from, end - from));
        from = end + 1;
        if (ended)
            return DamagedAt(lineNumber);
        std::vector<std::string> f;
        for (std::string_view field : raw) {
            std::optional<std::string> value = Unescape(field);
            if (!value)
                return DamagedAt(lineNumber);
            f.push_back(std::move(*value));
        }
        const std::string& kind = f[0];
        const auto once = [&] { return seen.insert(kind).second; };
        if ((kind == "order" || kind == "profile" || kind == "upload" || kind == "started" ||
             kind == "dealer" || kind == "location") &&
            (f.size() != 2 || !once()))
            return DamagedAt(lineNumber);
        if (kind == "order") {
            if (!IsOrderId(f[1]))
                return DamagedAt(lineNumber);
            j.orderId = f[1];
        } else if (kind == "profile") {
            j.profile = f[1];
        } else if (kind == "upload") {
            j.uploadUrl = f[1];
        } else if (kind == "started") {
            std::optional<std::int64_t> t = Number<std::int64_t>(f[1], 0, INT64_MAX);
            if (!t)
                return DamagedAt(lineNumber);
            j.startedAt = *t;
        } else if (kind == "dealer") {
            j.dealerNumber = f[1];
        } else if (kind == "location" && r.version >= 3) {
            if (f[1] != "remove")
                return DamagedAt(lineNumber);
            j.removeLocation = true;
        } else if (kind == "detail") {
            if (f.size() != 3)
                return DamagedAt(lineNumber);
            if (cardKeys.count(f[1]) != 0)
                return Damaged(wizard::Str(3543));
            auto key = detailKeys.find(f[1]);
            if (key == detailKeys.end() || !seen.insert("detail " + f[1]).second)
                return DamagedAt(lineNumber);
            j.details.*(key->second) = f[2];
        } else if (kind == "photo") {
            if (f.size() != 8)
                return DamagedAt(lineNumber);
            JournalPhoto p;
            auto number = Number<int>(f[1], 1, static_cast<int>(wizard::kMaxOrderPhotos));
            auto type = Number<std::int32_t>(f[2], 0, 8);
            auto size = Number<std::uint64_t>(f[3], 0, UINT64_MAX);
            auto modified = Number<std::int64_t>(f[4], INT64_MIN, INT64_MAX);
            auto width = Number<std::int32_t>(f[5], 0, INT32_MAX);
            auto height = Number<std::int32_t>(f[6], 0, INT32_MAX);
            // Photos come numbered 1, 2, 3 ... in order.
            if (!number || *number != j.photoCount() + 1 || !type || !size || !modified || !width ||
                !height || f[7].empty())
                return DamagedAt(lineNumber);
            p.number = *number;
            p.contentTypeIndex = *type;
            p.size = *size;
            p.modifiedNs = *modified;
            p.width = *width;
            p.height = *height;
            p.path = f[7];
            j.photos.push_back(std::move(p));
        } else if (kind == "line") {
            if (f.size() != 5)
                return DamagedAt(lineNumber);
            auto number = Number<int>(f[1], 1, INT32_MAX);
            auto quantity = Number<std::int32_t>(f[2], 1, INT32_MAX);
            auto trim = Number<std::int32_t>(f[3], 0, 2);
            // A line belongs to the photo just before it.
            if (!number || *number != j.photoCount() || !quantity || !trim || f[4].empty())
                return DamagedAt(lineNumber);
            j.photos.back().lines.push_back({f[4], *quantity, *trim, {}});
        } else if (kind == "turn" && r.version >= 2) {
            auto number = f.size() == 3 ? Number<int>(f[1], 1, INT32_MAX) : std::nullopt;
            auto degrees = f.size() == 3 ? Number<std::int32_t>(f[2], 90, 270) : std::nullopt;
            // Once, for the photo just before it, before its lines.
            if (!number || *number != j.photoCount() || !degrees || *degrees % 90 != 0 ||
                j.photos.back().turn != 0 || !j.photos.back().lines.empty())
                return DamagedAt(lineNumber);
            j.photos.back().turn = *degrees;
        } else if (kind == "crop" && r.version >= 2) {
            if (f.size() != 6)
                return DamagedAt(lineNumber);
            auto number = Number<int>(f[1], 1, INT32_MAX);
            auto x = Number<std::int32_t>(f[2], 0, INT32_MAX);
            auto y = Number<std::int32_t>(f[3], 0, INT32_MAX);
            auto w = Number<std::int32_t>(f[4], 1, INT32_MAX);
            auto h = Number<std::int32_t>(f[5], 1, INT32_MAX);
            // For the line just before it, once.
            if (!number || *number != j.photoCount() || !x || !y || !w || !h ||
                j.photos.back().lines.empty() || !j.photos.back().lines.back().crop.empty())
                return DamagedAt(lineNumber);
            j.photos.back().lines.back().crop = {*x, *y, *w, *h};
        } else if (kind == "accepted") {
            if (f.size() != 2)
                return DamagedAt(lineNumber);
            auto number = Number<int>(f[1], 1, INT32_MAX);
            JournalPhoto* p = number ? j.photo(*number) : nullptr;
            if (p == nullptr || p->accepted)
                return DamagedAt(lineNumber);
            p->accepted = true;
        } else if (kind == "end") {
            auto count = f.size() == 2 ? Number<int>(f[1], 0, INT32_MAX) : std::nullopt;
            if (!count || *count != j.photoCount())
                return DamagedAt(lineNumber);
            ended = true;
        } else {
            return DamagedAt(lineNumber);
        }
    }
    if (!ended)
        return Damaged(wizard::Str(3542));
    if (j.orderId.empty() || seen.count("started") == 0 || seen.count("upload") == 0 ||
        seen.count("profile") == 0 || j.photos.empty())
        return Damaged(wizard::Str(3540));
    for (const JournalPhoto& p : j.photos) {
        if (p.lines.empty())
            return Damaged(wizard::Str(3540));
    }
    r.status = JournalReading::Status::Ok;
    return r;
}

}  // namespace orlavo::transmission
