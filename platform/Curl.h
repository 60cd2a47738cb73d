#pragma once
// Our thin layer over libcurl's easy interface: one global initialisation,
// an owner for an easy handle, and the options every transfer of the
// programs shares (certificate and host name checked, proxy as the
// environment configures it, time-outs, agent, redirects).
//
// A handle is used by one thread at a time; different handles may run on
// different threads at once (signals are not used for time-outs).

#include <curl/curl.h>

#include <atomic>
#include <string>
#include <string_view>

namespace orlavo::net {

// Initialises libcurl once per process; safe to call from any thread, any
// number of times. Every CurlEasy calls it.
void GlobalInit();

// What the shared options are made of.
struct TransferOptions {
    std::string userAgent = " ";
    long connectTimeoutSeconds = 30;
    // A transfer that moves less than lowSpeedBytes per second for
    // stallSeconds fails with the transport's time-out message; a
    // stallSeconds of 0 switches the check off.
    long stallSeconds = 60;
    long lowSpeedBytes = 1;
    // The whole transfer, connection included, ends after this many seconds
    // with the transport's time-out message, however the server drips its
    // bytes; 0 means no such deadline.
    long totalSeconds = 0;
    long maxRedirects = 5;
    // A file of trusted authorities used instead of the system's store;
    // empty means the system's store. Only code sets it (tests trusting
    // their own authority); peer and host checks stay on either way.
    std::string caFile;
    // When set, the transfer stops within about a second of the flag being
    // set (from any thread), with libcurl's "aborted by callback" failure.
    // The flag must outlive the transfer.
    const std::atomic<bool>* cancel = nullptr;
};

// Acknowledges what has arrived on the connection SOCKET at once instead of
// after the delayed-acknowledgement timer. A server that writes an answer's
// head and body apart, with Nagle's algorithm on, holds the body until the
// head is acknowledged; on a kept connection that costs a whole timer
// (40 ms on Linux) per request. Call it when an answer's head arrives; does
// nothing where the system has no such option.
void AcknowledgeNow(curl_socket_t socket);

// A CURLOPT_SOCKOPTFUNCTION that keeps each new connection's socket in the
// curl_socket_t that CURLOPT_SOCKOPTDATA points to.
int KeepSocket(void* socketOut, curl_socket_t socket, curlsocktype purpose);

// Owns one easy handle and the buffer in which libcurl describes its errors.
class CurlEasy {
public:
    CurlEasy();
    ~CurlEasy();
    CurlEasy(CurlEasy&& other) noexcept;
    CurlEasy& operator=(CurlEasy&& other) noexcept;
    CurlEasy(const CurlEasy&) = delete;
    CurlEasy& operator=(const CurlEasy&) = delete;

    // Null only when libcurl could not make a handle.
    CURL* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    // Back to a fresh state with the error buffer installed again; a kept
    // connection stays in the handle's cache.
    void reset();

    // The transport's own description of CODE: libcurl's detailed message
    // for the last transfer when it gave one, else its generic text.
    std::string errorText(CURLcode code) const;

private:
    void installErrorBuffer();

    CURL* handle_ = nullptr;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
};

// Applies the shared options to HANDLE: TLS peer and host verification on,
// HTTP and HTTPS only (also when redirected), redirects followed up to
// OPTIONS.maxRedirects, connect time-out, low-speed limit, overall deadline,
// user agent, no signals,
// and the authority file when OPTIONS.caFile names one.
// The proxy is left to libcurl, which takes it from the environment.
CURLcode ApplyCommonOptions(CURL* handle, const TransferOptions& options);

// The proxy that the environment names for a request with SCHEME ("http" or
// "https") to HOST, as libcurl reads it: "http_proxy" (lower case only) or
// "https_proxy"/"HTTPS_PROXY", else "all_proxy"/"ALL_PROXY", unless
// "no_proxy"/"NO_PROXY" is "*" or lists the host or a domain of it.
// Empty when the request goes direct.
std::string EnvironmentProxy(std::string_view scheme, std::string_view host);

}  // namespace orlavo::net
