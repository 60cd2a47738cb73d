#include "wizard/transmission/JournalFolder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/TextRules.h"
#include "platform/Diagnostics.h"
#include "platform/PrivateFiles.h"
#include "resources/WizardResources.h"
#include "wizard/transmission/TransferManifest.h"

namespace orlavo::transmission {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPrefix = "order-";
constexpr std::string_view kSuffix = ".journal";
// A journal of 197 photos with long paths stays far below this.
constexpr std::size_t kJournalLimit = 4u << 20;

// Renames PATH out of the way, keeping it for whoever wants to look; the
// new name, or empty when it could not be moved.
std::string SetAside(const std::string& path) {
    std::error_code ec;
    for (int n = 1; n < 1000; ++n) {
        std::string target = path + ".set-aside";
        if (n > 1)
            target += "." + std::to_string(n);
        if (fs::symlink_status(target, ec).type() != fs::file_type::not_found)
            continue;
        fs::rename(path, target, ec);
        return ec ? std::string() : fs::path(target).filename().string();
    }
    return {};
}

std::string SetAsideNotice(const std::string& path, const std::string& problem) {
    const std::string moved = SetAside(path);
    const std::string name = fs::path(path).filename().string();
    if (moved.empty())
        return FillPlaceholders(wizard::Str(3547), {name, problem});
    return FillPlaceholders(wizard::Str(3546), {name, moved, problem});
}

// Why the bytes of a journal could not be read, as a problem text.
std::string ReadProblem(PrivateRead result) {
    switch (result) {
        case PrivateRead::NotPrivate:
            return wizard::Str(3551);
        case PrivateRead::TooLarge:
            return wizard::Str(3540);
        default:
            return wizard::Str(3552);
    }
}

}  // namespace

JournalClaim::JournalClaim(std::unique_ptr<FileLock> lock, std::string file, OrderJournal journal)
    : lock_(std::move(lock)), file_(std::move(file)), journal_(std::move(journal)) {}

JournalClaim::~JournalClaim() = default;

std::string JournalClaim::Write(const OrderJournal& journal) {
    journal_ = journal;
    return ReplaceFileAtomically(file_, FormatJournal(journal_));
}

std::string JournalClaim::MarkAccepted(int number) {
    JournalPhoto* photo = journal_.photo(number);
    if (photo == nullptr || photo->accepted)
        return {};
    photo->accepted = true;
    return ReplaceFileAtomically(file_, FormatJournal(journal_));
}

void JournalClaim::Remove() {
    std::error_code ec;
    fs::remove(file_, ec);
    if (lock_)
        lock_->removeFile();
}

JournalFolder::JournalFolder(std::string folder) : folder_(std::move(folder)) {
    if (!folder_.empty() && folder_.back() != '/')
        folder_ += '/';
}

JournalFolder JournalFolder::Default() {
    return JournalFolder(DiagnosticsFolder());
}

std::string JournalFolder::journalFile(const std::string& orderId) const {
    return folder_ + std::string(kPrefix) + orderId + std::string(kSuffix);
}

std::string JournalFolder::lockFile(const std::string& orderId) const {
    return folder_ + std::string(kPrefix) + orderId + ".lock";
}

JournalScan JournalFolder::Scan(const std::string& profile) const {
    JournalScan scan;
    std::error_code ec;
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > kPrefix.size() + kSuffix.size() && name.starts_with(kPrefix) &&
            name.ends_with(kSuffix))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = folder_ + name;
        const std::string id =
            name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
        const bool plainId = id.size() == kOrderIdLength &&
                             id.find_first_not_of(kOrderIdAlphabet) == std::string::npos;
        if (!plainId) {
            scan.notices.push_back(SetAsideNotice(path, wizard::Str(3540)));
            continue;
        }
        FileLock::Result locked = FileLock::Result::Failed;
        std::unique_ptr<FileLock> lock = FileLock::TryTake(lockFile(id), locked);
        if (locked == FileLock::Result::Busy)
            continue;  // another program is sending or resuming it
        std::string bytes;
        const PrivateRead read = ReadPrivateFile(path, kJournalLimit, bytes);
        if (read == PrivateRead::Missing)
            continue;  // over since it was listed
        JournalReading reading;
        if (read != PrivateRead::Ok) {
            reading.problem = ReadProblem(read);
        } else {
            reading = ParseJournal(bytes);
            if (reading.status == JournalReading::Status::Ok && reading.journal.orderId != id) {
                reading.status = JournalReading::Status::Damaged;
                reading.problem = wizard::Str(3540);
            }
        }
        if (reading.status == JournalReading::Status::Newer) {
            scan.notices.push_back(FillPlaceholders(wizard::Str(3547), {name, reading.problem}));
            continue;
        }
        if (reading.status != JournalReading::Status::Ok) {
            scan.notices.push_back(SetAsideNotice(path, reading.problem));
            if (lock)
                lock->removeFile();
            continue;
        }
        if (reading.journal.profile == profile)
            scan.orders.push_back(std::move(reading.journal));
    }
    std::stable_sort(
        scan.orders.begin(), scan.orders.end(),
        [](const OrderJournal& a, const OrderJournal& b) { return a.startedAt > b.startedAt; });
    return scan;
}

std::unique_ptr<JournalClaim> JournalFolder::ClaimInterrupted(const std::string& orderId,
                                                              std::string& error) const {
    FileLock::Result locked = FileLock::Result::Failed;
    std::unique_ptr<FileLock> lock = FileLock::TryTake(lockFile(orderId), locked);
    if (locked == FileLock::Result::Busy) {
        error = wizard::Str(3548);
        return nullptr;
    }
    const std::string path = journalFile(orderId);
    std::string bytes;
    const PrivateRead read = ReadPrivateFile(path, kJournalLimit, bytes);
    if (read == PrivateRead::Missing) {
        error = wizard::Str(3549);
        if (lock)
            lock->removeFile();
        return nullptr;
    }
    JournalReading reading;
    if (read == PrivateRead::Ok)
        reading = ParseJournal(bytes);
    else
        reading.problem = ReadProblem(read);
    if (reading.status == JournalReading::Status::Ok && reading.journal.orderId != orderId) {
        reading.status = JournalReading::Status::Damaged;
        reading.problem = wizard::Str(3540);
    }
    if (reading.status != JournalReading::Status::Ok) {
        error = reading.status == JournalReading::Status::Newer
                    ? FillPlaceholders(wizard::Str(3547),
                                       {fs::path(path).filename().string(), reading.problem})
                    : SetAsideNotice(path, reading.problem);
        return nullptr;
    }
    return std::unique_ptr<JournalClaim>(
        new JournalClaim(std::move(lock), path, std::move(reading.journal)));
}

std::unique_ptr<JournalClaim> JournalFolder::ClaimNew(const OrderJournal& journal,
                                                      std::string& error) const {
    error = EnsurePrivateFolder(folder_);
    if (!error.empty())
        return nullptr;
    FileLock::Result locked = FileLock::Result::Failed;
    std::unique_ptr<FileLock> lock = FileLock::TryTake(lockFile(journal.orderId), locked);
    if (locked != FileLock::Result::Taken) {
        error = wizard::Str(3548);
        return nullptr;
    }
    std::unique_ptr<JournalClaim> claim(
        new JournalClaim(std::move(lock), journalFile(journal.orderId), journal));
    error = claim->Write(journal);
    if (!error.empty()) {
        claim->Remove();
        return nullptr;
    }
    return claim;
}

}  // namespace orlavo::transmission
