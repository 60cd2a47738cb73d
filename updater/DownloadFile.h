#pragma once
// Fetches one remote file into a local file with an HTTP GET, always from the
// server (no cache), TLS certificates verified with the host name.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Curl.h"

namespace orlavo::updater {

struct DownloadOptions {
    net::TransferOptions transfer;  // agent " ", connect 30 s, stall 60 s
    // A larger body fails the download rather than fill the disk.
    std::uint64_t maxBytes = std::uint64_t(1) << 30;
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

// Writes the body of ADDRESS to LOCAL_PATH (created, or emptied when it
// exists) and gives the empty text, or one of the texts above:
// - the address cannot be opened at all (no answer came): kDownloadCannotOpen;
// - a status of 400 or above: kDownloadStatus with the code;
// - the local file cannot be created: kDownloadCannotCreate;
// - a body shorter than its Content-Length: kDownloadLength with the address
//   (an answer without a length is taken at whatever length arrives);
// - the bytes do not match OPTIONS.sha256: kDownloadChecksum with the address;
// - cancelled: kDownloadCancelled; any other failure: kDownloadFailed.
// After a failure the local file is deleted. Blocks the calling thread;
// never throws.
std::string DownloadFile(const std::string& address, const std::string& localPath,
                         const DownloadOptions& options = {});

}  // namespace orlavo::updater
