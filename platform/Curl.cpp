#include "platform/Curl.h"

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
        set(CURLOPT_LOW_SPEED_LIMIT, 1L);
        set(CURLOPT_LOW_SPEED_TIME, options.stallSeconds);
    }
    set(CURLOPT_USERAGENT, options.userAgent.c_str());
    return rc;
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
