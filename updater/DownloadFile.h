#pragma once
// Fetches one remote file into a local file with an HTTP GET, always from the
// server (no cache), TLS certificates verified with the host name.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/Curl.h"

namespace orlavo::updater {

// How long a transfer may take, however the server paces its bytes.
struct DownloadLimits {
    // The whole transfer, connection included, must end within base + size /
    // bytesPerSecond, the size being the largest of the announced length, the
    // expected one and what has come so far.
    std::chrono::milliseconds base{60000};
    std::uint64_t bytesPerSecond = 50000;
    // A transfer slower than minBytesPerSecond over minRateSeconds ends too.
    long minBytesPerSecond = 1000;
    long minRateSeconds = 30;
};

struct DownloadOptions {
    net::TransferOptions transfer;  // agent " ", connect 30 s
    DownloadLimits limits;
    // A larger body fails the download rather than fill the disk; a larger
    // announced length fails it before the first byte is written.
    std::uint64_t maxBytes = std::uint64_t(1) << 30;
    // When set, the length the body must have (the manifest's "size"): an
    // announced length or a body of another length fails the download.
    std::optional<std::uint64_t> expectedBytes;
    // When not empty, the hex SHA-256 the bytes must have.
    std::string sha256;
    // Checked while the bytes arrive (also from another thread); once true the
    // transfer stops, the local file is deleted and the download fails.
    const std::atomic<bool>* cancel = nullptr;
    // Called on the downloading thread as bytes arrive: received, and the
    // announced total (0 when unknown).
    std::function<void(std::uint64_t received, std::uint64_t total)> progress;
};

// The texts of a failed download (empty text: success). They are for logs,
// not for the user.
inline constexpr const char* kDownloadCannotOpen = "Unspecified error with remote file";
inline constexpr const char* kDownloadStatus = "Downloading error. HTTP status code: %d";
inline constexpr const char* kDownloadCannotCreate = "Could not create a local file";
inline constexpr const char* kDownloadLength = "Error downloading file %s";
inline constexpr const char* kDownloadFailed = "Can't download";
inline constexpr const char* kDownloadCancelled = "Download cancelled";
inline constexpr const char* kDownloadChecksum = "Checksum mismatch for %s";
inline constexpr const char* kDownloadTooSlow = "Can't download: %s came too slowly";
inline constexpr const char* kDownloadTooLarge = "Refused %s: it is longer than may be written";
inline constexpr const char* kDownloadWrongSize =
    "Refused %s: its length is not the manifest's size";

// Whether ERROR, a text of DownloadFile, says the transfer was too slow.
bool IsTooSlow(const std::string& error);

// Writes the body of ADDRESS to LOCAL_PATH (created, or emptied when it
// exists) and gives the empty text, or one of the texts above:
// - the address cannot be opened at all (no answer came): kDownloadCannotOpen;
// - a status of 400 or above: kDownloadStatus with the code;
// - the local file cannot be created: kDownloadCannotCreate;
// - a body shorter than its Content-Length: kDownloadLength with the address
//   (an answer without a length is taken at whatever length arrives);
// - the bytes do not match OPTIONS.sha256: kDownloadChecksum with the address;
// - the deadline or the minimum rate of OPTIONS.limits passed:
//   kDownloadTooSlow with the address;
// - an announced length or a body above OPTIONS.maxBytes: kDownloadTooLarge,
//   and one other than OPTIONS.expectedBytes: kDownloadWrongSize, both with
//   the address; an announced length is refused before anything is written;
// - cancelled: kDownloadCancelled; any other failure: kDownloadFailed.
// After a failure the local file is deleted. Blocks the calling thread;
// never throws.
std::string DownloadFile(const std::string& address, const std::string& localPath,
                         const DownloadOptions& options = {});

}  // namespace orlavo::updater
