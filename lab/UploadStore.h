#pragma once
// Receives uploaded photos: checks each against its manifest and the catalogue
// and keeps accepted ones under DIR/orders/<order id>/. Safe to call from
// several connection threads at once.

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lab/Catalogue.h"
#include "lab/TransferManifest.h"

namespace orlavo::lab {

enum class UploadVerdict { Done, InvalidCard, Refused };

struct UploadOutcome {
    UploadVerdict verdict = UploadVerdict::Refused;
    std::string reason;  // why a photo was refused, for the log and the page
    std::string orderId;
    int received = 0;  // distinct photos of the order now kept
    int expected = 0;  // numphotos
    bool orderComplete = false;
};

struct StoredPhoto {
    int number = 0;
    std::filesystem::path file;
    TransferManifest manifest;  // as kept: card masked
};

struct StoredOrder {
    std::string id;
    int expected = 0;
    bool complete = false;
    std::filesystem::file_time_type lastChange;
    std::vector<StoredPhoto> photos;  // by number
};

class UploadStore {
public:
    UploadStore(std::filesystem::path dataDir, const Catalogue& catalogue);

    // One photo with its manifest. PARTFILENAME is the file name the form gave.
    UploadOutcome receive(std::string_view partFileName, std::string_view content,
                          std::string_view manifestBytes);

    // Every order on disk, the most recently changed first.
    std::vector<StoredOrder> orders() const;
    std::optional<StoredOrder> order(std::string_view id) const;

    // Removes files left behind by uploads that broke off while being written.
    void removeLeftovers() const;

    const std::filesystem::path& ordersDir() const { return ordersDir_; }

private:
    UploadOutcome check(const std::optional<TransferManifest>& manifest,
                        std::size_t contentSize) const;
    std::optional<StoredOrder> readOrder(const std::filesystem::path& dir) const;

    std::filesystem::path ordersDir_;
    const Catalogue& catalogue_;
    // Guards the step from temporary to final names and the listing of an
    // order's folder; never held while a file is read or parsed.
    mutable std::mutex mutex_;
};

}  // namespace orlavo::lab
