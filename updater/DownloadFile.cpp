#include "updater/DownloadFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>

#include "platform/Sha256.h"

namespace orlavo::updater {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

using Clock = std::chrono::steady_clock;

struct Transfer {
    CURL* handle = nullptr;
    Clock::time_point start = Clock::now();
    const std::string* localPath = nullptr;
    const DownloadOptions* options = nullptr;
    FilePtr file;
    Sha256 hash;
    std::uint64_t written = 0;
    bool statusChecked = false;
    bool refusedStatus = false;
    bool cannotCreate = false;
    bool writeFailed = false;
    bool tooLarge = false;
    bool wrongSize = false;
    bool tooSlow = false;
    bool cancelled = false;
    // Of the header block being read: its status and announced length.
    long headerStatus = 0;
    std::optional<std::uint64_t> announced;

    bool cancelRequested() const {
        return options->cancel != nullptr && options->cancel->load(std::memory_order_relaxed);
    }

    // The local file is made once the answer is known to be one to keep.
    bool open() {
        if (file)
            return true;
        file.reset(std::fopen(localPath->c_str(), "wb"));
        cannotCreate = !file;
        return !cannotCreate;
    }
};

bool StartsWithWord(std::string_view line, std::string_view word) {
    if (line.size() < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char c = line[i] >= 'A' && line[i] <= 'Z' ? static_cast<char>(line[i] + 32) : line[i];
        if (c != word[i])
            return false;
    }
    return true;
}

std::optional<std::uint64_t> Digits(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    std::uint64_t n = 0;
    std::size_t i = 0;
    for (; i < text.size() && i < 19 && text[i] >= '0' && text[i] <= '9'; ++i)
        n = n * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (i == 0)
        return std::nullopt;
    return n;
}

// Each header block (one per redirect) is looked at when it ends: a length
// that cannot be right is refused before a byte of the body is written.
std::size_t OnHeader(char* ptr, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    const std::string_view line(ptr, n);
    if (line.starts_with("HTTP/")) {
        t->announced.reset();
        const std::size_t space = line.find(' ');
        const auto status = Digits(space == std::string_view::npos ? "" : line.substr(space));
        t->headerStatus = status ? static_cast<long>(*status) : 0;
    } else if (StartsWithWord(line, "content-length:")) {
        t->announced = Digits(line.substr(15));
    } else if (line == "\r\n" || line == "\n") {
        if (t->headerStatus < 200 || t->headerStatus >= 300 || !t->announced)
            return n;
        if (*t->announced > t->options->maxBytes) {
            t->tooLarge = true;
            return 0;
        }
        if (t->options->expectedBytes && *t->announced != *t->options->expectedBytes) {
            t->wrongSize = true;
            return 0;
        }
    }
    return n;
}

long Status(CURL* handle) {
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

std::size_t OnData(char* ptr, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (!t->statusChecked) {
        t->statusChecked = true;
        if (Status(t->handle) >= 400) {
            t->refusedStatus = true;
            return 0;
        }
    }
    if (t->cancelRequested()) {
        t->cancelled = true;
        return 0;
    }
    if (n > t->options->maxBytes - t->written) {
        t->tooLarge = true;
        return 0;
    }
    if (t->options->expectedBytes && n > *t->options->expectedBytes - t->written) {
        t->wrongSize = true;
        return 0;
    }
    if (!t->open())
        return 0;
    if (std::fwrite(ptr, 1, n, t->file.get()) != n) {
        t->writeFailed = true;
        return 0;
    }
    t->hash.add(std::string_view(ptr, n));
    t->written += n;
    return n;
}

int OnProgress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    if (t->cancelRequested()) {
        t->cancelled = true;
        return 1;
    }
    // libcurl calls this at least once a second, also while nothing comes.
    const DownloadLimits& limits = t->options->limits;
    std::uint64_t size =
        std::max<std::uint64_t>(total > 0 ? static_cast<std::uint64_t>(total) : 0, t->written);
    if (t->options->expectedBytes)
        size = std::max(size, *t->options->expectedBytes);
    const double allowed = std::chrono::duration<double>(limits.base).count() +
                           static_cast<double>(size) / static_cast<double>(std::max<std::uint64_t>(
                                                           limits.bytesPerSecond, 1));
    if (std::chrono::duration<double>(Clock::now() - t->start).count() > allowed) {
        t->tooSlow = true;
        return 1;
    }
    if (t->options->progress)
        t->options->progress(static_cast<std::uint64_t>(now > 0 ? now : 0),
                             static_cast<std::uint64_t>(total > 0 ? total : 0));
    return 0;
}

std::string Filled(const char* pattern, const std::string& value) {
    std::string text = pattern;
    const std::size_t at = text.find('%');
    if (at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}

struct HeaderList {
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
    void add(const char* line) {
        if (curl_slist* grown = curl_slist_append(list, line))
            list = grown;
    }
};

std::string Download(const std::string& address, const std::string& localPath,
                     const DownloadOptions& options) {
    net::CurlEasy easy;
    if (!easy)
        return kDownloadCannotOpen;
    CURL* h = easy.get();
    Transfer t;
    t.handle = h;
    t.localPath = &localPath;
    t.options = &options;

    HeaderList headers;
    headers.add("Cache-Control: no-cache");
    headers.add("Pragma: no-cache");

    CURLcode rc = net::ApplyCommonOptions(h, options.transfer);
    auto set = [&](CURLoption option, auto value) {
        if (rc == CURLE_OK)
            rc = curl_easy_setopt(h, option, value);
    };
    set(CURLOPT_URL, address.c_str());
    set(CURLOPT_HTTPGET, 1L);
    set(CURLOPT_HTTPHEADER, headers.list);
    set(CURLOPT_WRITEFUNCTION, &OnData);
    set(CURLOPT_WRITEDATA, &t);
    set(CURLOPT_XFERINFOFUNCTION, &OnProgress);
    set(CURLOPT_XFERINFODATA, &t);
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_HEADERFUNCTION, &OnHeader);
    set(CURLOPT_HEADERDATA, &t);
    if (options.limits.minRateSeconds > 0) {
        set(CURLOPT_LOW_SPEED_LIMIT, std::max(options.limits.minBytesPerSecond, 1L));
        set(CURLOPT_LOW_SPEED_TIME, options.limits.minRateSeconds);
    }
    if (rc != CURLE_OK)
        return kDownloadCannotOpen;

    rc = curl_easy_perform(h);
    const long status = Status(h);
    curl_off_t expected = -1;
    curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);

    curl_off_t connected = 0;
    curl_easy_getinfo(h, CURLINFO_CONNECT_TIME_T, &connected);

    if (t.cancelled)
        return kDownloadCancelled;
    if (t.refusedStatus || status >= 400)
        return Filled(kDownloadStatus, std::to_string(status));
    // A server that takes the connection and then drips, the header block
    // included, is too slow; one that never takes it cannot be opened.
    if (t.tooSlow || (rc == CURLE_OPERATION_TIMEDOUT && connected > 0))
        return Filled(kDownloadTooSlow, address);
    if (t.tooLarge)
        return Filled(kDownloadTooLarge, address);
    if (t.wrongSize)
        return Filled(kDownloadWrongSize, address);
    if (status == 0)
        return kDownloadCannotOpen;
    if (t.cannotCreate)
        return kDownloadCannotCreate;
    if (rc == CURLE_PARTIAL_FILE)
        return Filled(kDownloadLength, address);
    if (rc != CURLE_OK || t.writeFailed)
        return kDownloadFailed;
    // An empty body makes no write: the file is made here.
    if (!t.open())
        return kDownloadCannotCreate;
    if (expected > 0 && static_cast<std::uint64_t>(expected) != t.written)
        return Filled(kDownloadLength, address);
    if (options.expectedBytes && *options.expectedBytes != t.written)
        return Filled(kDownloadWrongSize, address);
    std::FILE* f = t.file.release();
    if (std::fflush(f) != 0 || std::fclose(f) != 0)
        return kDownloadFailed;
    if (!options.sha256.empty() && !Sha256Matches(options.sha256, t.hash.hex()))
        return Filled(kDownloadChecksum, address);
    return {};
}

}  // namespace

bool IsTooSlow(const std::string& error) {
    const std::string_view pattern = kDownloadTooSlow;
    const std::size_t at = pattern.find("%s");
    return error.size() > pattern.size() - 2 && error.starts_with(pattern.substr(0, at)) &&
           error.ends_with(pattern.substr(at + 2));
}

std::string DownloadFile(const std::string& address, const std::string& localPath,
                         const DownloadOptions& options) {
    std::string error;
    try {
        error = Download(address, localPath, options);
    } catch (...) {
        error = kDownloadFailed;
    }
    if (!error.empty()) {
        std::error_code ec;
        std::filesystem::remove(localPath, ec);
    }
    return error;
}

}  // namespace orlavo::updater
