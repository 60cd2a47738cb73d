#include "wizard/transmission/HttpFormClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/Curl.h"
#include "wizard/transmission/FailureCode.h"
#include "wizard/transmission/FormParts.h"
#include "wizard/transmission/UploadAnswer.h"

namespace orlavo::transmission {

namespace {

// An answer is read to its end so the connection stays usable; past this
// much the rest is not worth waiting for and the connection is dropped.
constexpr std::uint64_t kAnswerDrainLimit = 1u << 20;

struct ListDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The state of one request's body and answer while curl runs it.
struct Transfer {
    const std::vector<BodyPiece>* pieces = nullptr;
    RequestObserver* observer = nullptr;
    std::size_t piece = 0;
    std::uint64_t offset = 0;  // within the current piece
    std::unique_ptr<std::FILE, FileCloser> file;
    std::uint64_t written = 0;
    bool aborted = false;
    bool readFailed = false;
    std::string answer;
    std::uint64_t answerBytes = 0;
    bool answerCut = false;

    bool IsAborted() const { return observer != nullptr && observer->Aborted(); }
    bool SafePoint() { return observer == nullptr || observer->SafePoint(); }

    void NextPiece() {
        ++piece;
        offset = 0;
    }

    std::size_t Read(char* buffer, std::size_t room) {
        while (piece < pieces->size()) {
            if (!SafePoint()) {
                aborted = true;
                return CURL_READFUNC_ABORT;
            }
            const BodyPiece& p = (*pieces)[piece];
            if (!p.isFile) {
                std::uint64_t left = p.bytes.size() - offset;
                if (left == 0) {
                    NextPiece();
                    continue;
                }
                std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, room));
                std::copy_n(p.bytes.data() + offset, n, buffer);
                offset += n;
                written += n;
                if (offset == p.bytes.size()) {
                    NextPiece();
                }
                return n;
            }
            if (offset == p.fileSize) {
                file.reset();
                if (observer != nullptr) {
                    observer->FileDone();
                }
                NextPiece();
                continue;
            }
            // Whole 8 KiB reads from disk, as many as the transport's buffer
            // takes in one call; each read moves the current-image bar.
            std::size_t total = 0;
            while (total < room && offset < p.fileSize) {
                if (total > 0 && !SafePoint()) {
                    break;
                }
                std::size_t want = static_cast<std::size_t>(
                    std::min<std::uint64_t>({p.fileSize - offset, kFileChunk, room - total}));
                std::size_t got = file ? std::fread(buffer + total, 1, want, file.get()) : 0;
                if (got == 0) {
                    // A read error, or a file shorter on disk than its recorded
                    // size: either way the body cannot reach its announced length.
                    readFailed = true;
                    file.reset();
                    return CURL_READFUNC_ABORT;
                }
                offset += got;
                written += got;
                total += got;
                if (observer != nullptr) {
                    observer->FilePosition(static_cast<int>(offset / kFileChunk));
                }
            }
            return total;
        }
        return 0;
    }

    std::size_t Write(const char* data, std::size_t n) {
        if (answer.size() < kAnswerLimit) {
            answer.append(data, std::min(n, kAnswerLimit - answer.size()));
        }
        answerBytes += n;
        if (answerBytes > kAnswerDrainLimit) {
            answerCut = true;
            return 0;
        }
        return n;
    }
};

std::size_t ReadCallback(char* buffer, std::size_t size, std::size_t count, void* user) {
    return static_cast<Transfer*>(user)->Read(buffer, size * count);
}

std::size_t WriteCallback(char* data, std::size_t size, std::size_t count, void* user) {
    return static_cast<Transfer*>(user)->Write(data, size * count);
}

// Null when libcurl runs out of memory.
curl_slist* HeaderList(const std::vector<std::string>& lines) {
    curl_slist* list = nullptr;
    for (const std::string& line : lines) {
        curl_slist* grown = curl_slist_append(list, line.c_str());
        if (grown == nullptr) {
            curl_slist_free_all(list);
            return nullptr;
        }
        list = grown;
    }
    return list;
}

// The status line of an answer: acknowledged at once, so that a server
// that sends the rest apart does not wait for the delayed acknowledgement.
std::size_t HeaderCallback(char* data, std::size_t size, std::size_t count, void* user) {
    const std::size_t n = size * count;
    if (n >= 5 && std::memcmp(data, "HTTP/", 5) == 0)
        net::AcknowledgeNow(*static_cast<curl_socket_t*>(user));
    return n;
}

int ProgressCallback(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
    auto* transfer = static_cast<Transfer*>(user);
    if (transfer->observer != nullptr && uploaded > 0) {
        transfer->observer->BodySent(static_cast<std::uint64_t>(uploaded));
    }
    return transfer->IsAborted() ? 1 : 0;
}

}  // namespace

struct HttpFormClient::Impl {
    // The header block for BOUNDARY, with and without the no-cache lines
    // for a proxy; false when libcurl runs out of memory.
    bool makeHeaders(std::string_view forBoundary) {
        const std::vector<std::string> lines = {
            std::string(kAcceptHeader), std::string(kAcceptLanguageHeader),
            ContentTypeHeader(forBoundary), std::string(kProxyConnectionHeader),
            std::string(kUserAgentHeader),
            // No "Expect: 100-continue": the body follows the headers at once.
            std::string("Expect:")};
        std::vector<std::string> proxyLines = lines;
        proxyLines.insert(proxyLines.end() - 1, {"Pragma: no-cache", "Cache-Control: no-cache"});
        headers.reset(HeaderList(lines));
        proxyHeaders.reset(HeaderList(proxyLines));
        boundary = forBoundary;
        return headers && proxyHeaders;
    }

    std::string agent;
    long stallSeconds = 60;
    long totalSeconds = 0;
    std::string caFile;
    std::unique_ptr<net::CurlEasy> easy;
    // The connection's socket, for acknowledging an answer's head at once.
    curl_socket_t socket = CURL_SOCKET_BAD;
    std::unique_ptr<curl_slist, ListDeleter> headers;
    // The same block with the no-cache lines, for a request through a proxy.
    std::unique_ptr<curl_slist, ListDeleter> proxyHeaders;
    // The boundary the two blocks name, and whether requests go through a proxy.
    std::string boundary;
    bool proxied = false;
};

BodyPiece BodyPiece::Text(std::string_view text) {
    BodyPiece p;
    p.bytes = std::string(text);
    return p;
}

BodyPiece BodyPiece::File(std::string path, std::uint64_t size) {
    BodyPiece p;
    p.isFile = true;
    p.filePath = std::move(path);
    p.fileSize = size;
    return p;
}

std::uint64_t BodyLength(const std::vector<BodyPiece>& pieces) {
    std::uint64_t total = 0;
    for (const BodyPiece& p : pieces) {
        total += p.length();
    }
    return total;
}

namespace {

void AppendClosing(std::vector<BodyPiece>& pieces, std::string_view boundary) {
    pieces.push_back(BodyPiece::Text("--" + std::string(boundary)));
    pieces.push_back(BodyPiece::Text(kClosingDashes));
    pieces.push_back(BodyPiece::Text(kCrlf));
}

}  // namespace

std::vector<BodyPiece> OrderRequestPieces(std::string_view path, std::string_view mediaType,
                                          std::uint64_t fileSize, std::string_view manifest,
                                          std::string_view boundary) {
    std::vector<BodyPiece> pieces;
    pieces.push_back(BodyPiece::Text(FilePartHeader(path, mediaType, boundary)));
    pieces.push_back(BodyPiece::File(std::string(path), fileSize));
    pieces.push_back(BodyPiece::Text(kCrlf));
    pieces.push_back(BodyPiece::Text(ValuePart(kManifestField, manifest, boundary)));
    AppendClosing(pieces, boundary);
    return pieces;
}

std::vector<BodyPiece> ValueFormPieces(std::string_view field, std::string_view value,
                                       std::string_view boundary) {
    std::vector<BodyPiece> pieces;
    pieces.push_back(BodyPiece::Text(ValuePart(field, value, boundary)));
    AppendClosing(pieces, boundary);
    return pieces;
}

HttpFormClient::HttpFormClient(std::string agent, long stallSeconds, std::string caFile,
                               long totalSeconds)
    : impl_(std::make_unique<Impl>()) {
    impl_->agent = std::move(agent);
    impl_->stallSeconds = stallSeconds;
    impl_->totalSeconds = totalSeconds;
    impl_->caFile = std::move(caFile);
}

HttpFormClient::~HttpFormClient() = default;

bool HttpFormClient::Open(std::string_view url, std::uint32_t& code) {
    std::optional<UrlParts> parts = SplitUrl(url);
    if (!parts) {
        code = CURLE_URL_MALFORMAT;
        return false;
    }
    url_ = *parts;
    if (!impl_->easy) {
        impl_->easy = std::make_unique<net::CurlEasy>();
        if (!*impl_->easy) {
            impl_->easy.reset();
            code = CURLE_FAILED_INIT;
            return false;
        }
        if (!impl_->makeHeaders(kBoundary)) {
            impl_->easy.reset();
            code = CURLE_OUT_OF_MEMORY;
            return false;
        }
    }
    CURL* c = impl_->easy->get();
    net::TransferOptions options;
    options.userAgent = impl_->agent;
    options.stallSeconds = impl_->stallSeconds;
    options.lowSpeedBytes = kLowSpeedBytes;
    options.totalSeconds = impl_->totalSeconds;
    options.caFile = impl_->caFile;
    // A redirected POST would have to send its body again; the lab's
    // addresses answer where they are.
    options.maxRedirects = 0;
    if (CURLcode rc = net::ApplyCommonOptions(c, options); rc != CURLE_OK) {
        code = rc;
        return false;
    }
    // The proxy is settled here rather than by libcurl, so that the request
    // asks it not to cache exactly when there is one; a direct request keeps
    // its header block as it is.
    const std::string proxy = net::EnvironmentProxy(url_.scheme, url_.host);
    impl_->proxied = !proxy.empty();
    curl_easy_setopt(c, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER,
                     proxy.empty() ? impl_->headers.get() : impl_->proxyHeaders.get());
    curl_easy_setopt(c, CURLOPT_URL, url_.requestUrl().c_str());
    curl_easy_setopt(c, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    // The header block is HTTP/1.1 text; it is never translated to HTTP/2.
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(c, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(c, CURLOPT_UPLOAD_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, &ReadCallback);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &WriteCallback);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &ProgressCallback);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &HeaderCallback);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &impl_->socket);
    curl_easy_setopt(c, CURLOPT_SOCKOPTFUNCTION, &net::KeepSocket);
    curl_easy_setopt(c, CURLOPT_SOCKOPTDATA, &impl_->socket);
    return true;
}

Exchange HttpFormClient::Post(const std::vector<BodyPiece>& pieces, std::uint64_t announced,
                              RequestObserver* observer, std::string_view boundary) {
    Exchange result;
    if (!impl_->easy) {
        result.code = CURLE_FAILED_INIT;
        return result;
    }
    if (boundary != impl_->boundary) {
        if (!impl_->makeHeaders(boundary)) {
            impl_->easy.reset();
            result.code = CURLE_OUT_OF_MEMORY;
            return result;
        }
        curl_easy_setopt(impl_->easy->get(), CURLOPT_HTTPHEADER,
                         impl_->proxied ? impl_->proxyHeaders.get() : impl_->headers.get());
    }
    Transfer transfer;
    transfer.pieces = &pieces;
    transfer.observer = observer;
    if (transfer.IsAborted()) {
        result.code = kCodeMessageSet;
        return result;
    }
    // The file is opened before anything is sent, so a missing file never
    // leaves a request half written.
    for (const BodyPiece& p : pieces) {
        if (p.isFile) {
            transfer.file.reset(std::fopen(p.filePath.c_str(), "rb"));
            if (!transfer.file) {
                result.code = CURLE_READ_ERROR;
                return result;
            }
            if (observer != nullptr) {
                observer->FileRange(static_cast<int>(p.fileSize / kFileChunk));
                observer->FilePosition(0);
            }
            break;
        }
    }

    CURL* c = impl_->easy->get();
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(announced));
    curl_easy_setopt(c, CURLOPT_READDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    CURLcode rc = curl_easy_perform(c);
    curl_easy_setopt(c, CURLOPT_READDATA, nullptr);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, nullptr);

    result.bytesWritten = transfer.written;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.status);
    if (transfer.aborted || transfer.IsAborted()) {
        result.code = kCodeMessageSet;
        return result;
    }
    if (transfer.readFailed) {
        result.code = CURLE_READ_ERROR;
        return result;
    }
    if (rc != CURLE_OK && !(rc == CURLE_WRITE_ERROR && transfer.answerCut)) {
        result.code = static_cast<std::uint32_t>(rc);
        return result;
    }
    if (transfer.written != announced) {
        result.code = CURLE_SEND_ERROR;
        return result;
    }
    result.ok = true;
    result.answer = std::move(transfer.answer);
    return result;
}

void HttpFormClient::Close() {
    impl_->easy.reset();
}

}  // namespace orlavo::transmission
