#include "updater/DownloadFile.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

#include "platform/Sha256.h"

namespace orlavo::updater {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

struct Transfer {
    CURL* handle = nullptr;
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
    bool cancelled = false;

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
    if (rc != CURLE_OK)
        return kDownloadCannotOpen;

    rc = curl_easy_perform(h);
    const long status = Status(h);
    curl_off_t expected = -1;
    curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);

    if (t.cancelled)
        return kDownloadCancelled;
    if (t.refusedStatus || status >= 400)
        return Filled(kDownloadStatus, std::to_string(status));
    if (status == 0)
        return kDownloadCannotOpen;
    if (t.cannotCreate)
        return kDownloadCannotCreate;
    if (rc == CURLE_PARTIAL_FILE)
        return Filled(kDownloadLength, address);
    if (rc != CURLE_OK || t.writeFailed || t.tooLarge)
        return kDownloadFailed;
    // An empty body makes no write: the file is made here.
    if (!t.open())
        return kDownloadCannotCreate;
    if (expected > 0 && static_cast<std::uint64_t>(expected) != t.written)
        return Filled(kDownloadLength, address);
    std::FILE* f = t.file.release();
    if (std::fflush(f) != 0 || std::fclose(f) != 0)
        return kDownloadFailed;
    if (!options.sha256.empty() && !Sha256Matches(options.sha256, t.hash.hex()))
        return Filled(kDownloadChecksum, address);
    return {};
}

}  // namespace

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
