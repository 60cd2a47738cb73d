#include "platform/Curl.h"

#include <algorithm>
#include <cstdlib>
#if defined(__linux__)
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

#include <cstring>
#include <mutex>
#include <utility>

namespace orlavo::net {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CurlEasy::CurlEasy() {
    GlobalInit();
    handle_ = curl_easy_init();
    installErrorBuffer();
}

CurlEasy::~CurlEasy() {
    if (handle_ != nullptr) {
        curl_easy_cleanup(handle_);
    }
}

CurlEasy::CurlEasy(CurlEasy&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {
    installErrorBuffer();
}

CurlEasy& CurlEasy::operator=(CurlEasy&& other) noexcept {
    if (this != &other) {
        if (handle_ != nullptr) {
            curl_easy_cleanup(handle_);
        }
        handle_ = std::exchange(other.handle_, nullptr);
        installErrorBuffer();
    }
    return *this;
}

void CurlEasy::reset() {
    if (handle_ != nullptr) {
        curl_easy_reset(handle_);
        installErrorBuffer();
    }
}

void CurlEasy::installErrorBuffer() {
    errorBuffer_[0] = '\0';
    if (handle_ != nullptr) {
        curl_easy_setopt(handle_, CURLOPT_ERRORBUFFER, errorBuffer_);
    }
}

std::string CurlEasy::errorText(CURLcode code) const {
    if (errorBuffer_[0] != '\0') {
        std::string text(errorBuffer_, strnlen(errorBuffer_, CURL_ERROR_SIZE));
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        if (!text.empty()) {
            return text;
        }
    }
    return curl_easy_strerror(code);
}

namespace {

int StopWhenCancelled(void* flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
}

}  // namespace

CURLcode ApplyCommonOptions(CURL* handle, const TransferOptions& options) {
    if (handle == nullptr) {
        return CURLE_FAILED_INIT;
    }
    CURLcode rc = CURLE_OK;
    auto set = [&](CURLoption option, auto value) {
        if (rc == CURLE_OK) {
            rc = curl_easy_setopt(handle, option, value);
        }
    };
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    if (!options.caFile.empty()) {
        set(CURLOPT_CAINFO, options.caFile.c_str());
    }
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_FOLLOWLOCATION, options.maxRedirects > 0 ? 1L : 0L);
    set(CURLOPT_MAXREDIRS, options.maxRedirects);
    set(CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds);
    if (options.stallSeconds > 0) {
        set(CURLOPT_LOW_SPEED_LIMIT, std::max(options.lowSpeedBytes, 1L));
        set(CURLOPT_LOW_SPEED_TIME, options.stallSeconds);
    }
    if (options.totalSeconds > 0) {
        set(CURLOPT_TIMEOUT, options.totalSeconds);
    }
    set(CURLOPT_USERAGENT, options.userAgent.c_str());
    if (options.cancel != nullptr) {
        // libcurl asks at least once a second, also while it waits.
        set(CURLOPT_XFERINFOFUNCTION, &StopWhenCancelled);
        set(CURLOPT_XFERINFODATA, options.cancel);
        set(CURLOPT_NOPROGRESS, 0L);
    }
    return rc;
}

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

bool ExemptFromProxy(std::string_view host, const std::string& noProxy) {
    const std::string h = LowerAscii(host);
    std::size_t at = 0;
    while (at <= noProxy.size()) {
        std::size_t end = noProxy.find(',', at);
        if (end == std::string::npos) {
            end = noProxy.size();
        }
        std::string entry = LowerAscii(noProxy.substr(at, end - at));
        at = end + 1;
        while (!entry.empty() && (entry.front() == ' ' || entry.front() == '\t')) {
            entry.erase(0, 1);
        }
        while (!entry.empty() && (entry.back() == ' ' || entry.back() == '\t')) {
            entry.pop_back();
        }
        if (entry == "*") {
            return true;
        }
        if (!entry.empty() && entry.front() == '.') {
            entry.erase(0, 1);
        }
        if (entry.empty()) {
            continue;
        }
        if (h == entry || (h.size() > entry.size() && h.ends_with(entry) &&
                           h[h.size() - entry.size() - 1] == '.')) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string EnvironmentProxy(std::string_view scheme, std::string_view host) {
    std::string noProxy = Env("no_proxy");
    if (noProxy.empty()) {
        noProxy = Env("NO_PROXY");
    }
    if (ExemptFromProxy(host, noProxy)) {
        return {};
    }
    const std::string s = LowerAscii(scheme);
    std::string proxy = Env((s + "_proxy").c_str());
    // Upper-case HTTP_PROXY may come from a CGI request's "Proxy:" header,
    // so libcurl takes only the lower-case name for http.
    if (proxy.empty() && s != "http") {
        std::string upper = s + "_PROXY";
        for (char& c : upper) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        proxy = Env(upper.c_str());
    }
    if (proxy.empty()) {
        proxy = Env("all_proxy");
    }
    if (proxy.empty()) {
        proxy = Env("ALL_PROXY");
    }
    return proxy;
}

void AcknowledgeNow(curl_socket_t socket) {
#if defined(__linux__) && defined(TCP_QUICKACK)
    if (socket != CURL_SOCKET_BAD) {
        int one = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
    }
#else
    (void)socket;
#endif
}

int KeepSocket(void* socketOut, curl_socket_t socket, curlsocktype) {
    *static_cast<curl_socket_t*>(socketOut) = socket;
    return CURL_SOCKOPT_OK;
}

}  // namespace orlavo::net
