#include "wizard/transmission/UrlParts.h"

#include <curl/curl.h>

#include <memory>

namespace orlavo::transmission {

namespace {

struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
struct TextDeleter {
    void operator()(char* p) const { curl_free(p); }
};

// One part of the address, or none when it is absent.
std::optional<std::string> Part(CURLU* url, CURLUPart what, unsigned flags = 0) {
    char* raw = nullptr;
    if (curl_url_get(url, what, &raw, flags) != CURLUE_OK || raw == nullptr) {
        return std::nullopt;
    }
    std::unique_ptr<char, TextDeleter> owned(raw);
    return std::string(raw);
}

}  // namespace

std::string UrlParts::requestUrl() const {
    return scheme + "://" + host + ":" + std::to_string(port) + "/" + target;
}

std::optional<UrlParts> SplitUrl(std::string_view url) {
    std::unique_ptr<CURLU, UrlDeleter> handle(curl_url());
    if (!handle) {
        return std::nullopt;
    }
    std::string text(url);
    // The path goes out as configured: no dot segments resolved away.
    if (curl_url_set(handle.get(), CURLUPART_URL, text.c_str(), CURLU_PATH_AS_IS) != CURLUE_OK) {
        return std::nullopt;
    }
    UrlParts parts;
    auto scheme = Part(handle.get(), CURLUPART_SCHEME);
    auto host = Part(handle.get(), CURLUPART_HOST);
    auto port = Part(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    if (!scheme || !host || host->empty() || !port) {
        return std::nullopt;
    }
    parts.scheme = *scheme;
    if (parts.scheme != "http" && parts.scheme != "https") {
        return std::nullopt;
    }
    parts.host = *host;
    parts.port = std::stoi(*port);
    std::string path = Part(handle.get(), CURLUPART_PATH).value_or("");
    if (!path.empty() && path.front() == '/') {
        path.erase(0, 1);
    }
    parts.target = path;
    if (auto query = Part(handle.get(), CURLUPART_QUERY)) {
        parts.target += "?" + *query;
    }
    return parts;
}

}  // namespace orlavo::transmission
