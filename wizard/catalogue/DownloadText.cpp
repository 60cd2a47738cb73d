#include "wizard/catalogue/DownloadText.h"

#include <memory>
#include <string_view>

#include "resources/WizardResources.h"
#include "wizard/catalogue/CatalogueTexts.h"

namespace orlavo::wizard {

namespace {

struct Transfer {
    CURL* handle = nullptr;
    std::string data;
    std::size_t limit = 0;
    bool statusChecked = false;
    bool refusedStatus = false;  // stopped at a status of 400 or above
    bool tooLarge = false;
    bool excess = false;  // more bytes came than the Content-Length said
};

std::size_t OnData(char* ptr, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (!t->statusChecked) {
        // The status decides before any of the body is kept.
        t->statusChecked = true;
        long status = 0;
        curl_easy_getinfo(t->handle, CURLINFO_RESPONSE_CODE, &status);
        if (status >= 400) {
            t->refusedStatus = true;
            return 0;
        }
    }
    if (n > t->limit - t->data.size()) {
        t->tooLarge = true;
        return 0;
    }
    t->data.append(ptr, n);
    return n;
}

// libcurl stops reading at the Content-Length and only mentions bytes beyond
// it in its informational text; that is the one place they show.
int OnDebug(CURL*, curl_infotype type, char* text, std::size_t size, void* user) {
    if (type == CURLINFO_TEXT && std::string_view(text, size).starts_with("Excess found")) {
        static_cast<Transfer*>(user)->excess = true;
    }
    return 0;
}

struct HeaderList {
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
    void add(const char* line) {
        if (curl_slist* grown = curl_slist_append(list, line)) {
            list = grown;
        }
    }
};

std::string Limited(std::string text) {
    if (text.size() > 1023) {
        text.resize(1023);
    }
    return text;
}

}  // namespace

std::string DownloadText(const std::string& address, std::string& body,
                         const DownloadSettings& settings) {
    try {
        net::CurlEasy easy;
        if (!easy) {
            return Str(kStrUnspecifiedRemoteFile);
        }
        CURL* h = easy.get();
        Transfer t;
        t.handle = h;
        t.limit = settings.maxBodyBytes;

        HeaderList headers;
        headers.add("Cache-Control: no-cache");
        headers.add("Pragma: no-cache");

        CURLcode rc = net::ApplyCommonOptions(h, settings.transfer);
        auto set = [&](CURLoption option, auto value) {
            if (rc == CURLE_OK) {
                rc = curl_easy_setopt(h, option, value);
            }
        };
        set(CURLOPT_URL, address.c_str());
        set(CURLOPT_HTTPGET, 1L);
        set(CURLOPT_HTTPHEADER, headers.list);
        set(CURLOPT_WRITEFUNCTION, &OnData);
        set(CURLOPT_WRITEDATA, &t);
        set(CURLOPT_DEBUGFUNCTION, &OnDebug);
        set(CURLOPT_DEBUGDATA, &t);
        set(CURLOPT_VERBOSE, 1L);
        set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(settings.maxBodyBytes));
        if (rc != CURLE_OK) {
            // An address libcurl will not even take, such as a bad scheme.
            return Limited(easy.errorText(rc));
        }

        rc = curl_easy_perform(h);
        body += t.data;

        long status = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        curl_off_t expected = -1;
        curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);

        // The status line is judged before any of the body, so a body that
        // then breaks off or stalls does not hide it.
        if (t.refusedStatus || status >= 400) {
            return FillText(Str(kStrDownloadStatus), {address, std::to_string(status)});
        }
        if (t.tooLarge || rc == CURLE_FILESIZE_EXCEEDED) {
            return FillText(Str(kStrDownloadTooLarge),
                            {address, std::to_string(settings.maxBodyBytes >> 20)});
        }
        if (rc == CURLE_PARTIAL_FILE && expected > 0) {
            return FillText(Str(kStrDownloadLength), {address});
        }
        if (rc != CURLE_OK) {
            return Limited(easy.errorText(rc));
        }
        // A Content-Length of 0 is no length at all: nothing to compare with.
        if (expected > 0 && (t.excess || static_cast<std::size_t>(expected) != t.data.size())) {
            return FillText(Str(kStrDownloadLength), {address});
        }
        return {};
    } catch (...) {
        return Str(kStrUnspecifiedRemoteFile);
    }
}

}  // namespace orlavo::wizard
