#pragma once
// The transport of the lab's form requests over libcurl: one easy handle per
// client, so every request of one upload session goes over one kept-alive
// connection. A request body is a list of pieces written in order, each by
// its own write; a file piece is streamed from disk in 8192-byte reads, so
// memory stays flat whatever the file size.
//
// Threading: a client is used by one thread at a time. The observer's
// methods run on that thread, inside the transfer.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "wizard/transmission/FormParts.h"
#include "wizard/transmission/UrlParts.h"

namespace orlavo::transmission {

// Bytes of a file piece read from disk at a time.
inline constexpr std::size_t kFileChunk = 8192;

// The speed below which a request counts as stalled (bytes a second, both
// ways together).
inline constexpr long kLowSpeedBytes = 1024;

struct BodyPiece {
    // Literal bytes, or (when isFile) the file at filePath, fileSize bytes long.
    std::string bytes;
    bool isFile = false;
    std::string filePath;
    std::uint64_t fileSize = 0;

    static BodyPiece Text(std::string_view text);
    static BodyPiece File(std::string path, std::uint64_t size);
    std::uint64_t length() const { return isFile ? fileSize : bytes.size(); }
};

// What the upload session watches of one request.
class RequestObserver {
public:
    virtual ~RequestObserver() = default;
    // Tested often while the transfer runs; true stops it.
    virtual bool Aborted() const = 0;
    // A safe point between two writes: may wait while the session is paused.
    // False stops the request.
    virtual bool SafePoint() { return !Aborted(); }
    // Current-image progress: range 0..max and position, in 8 KiB steps.
    virtual void FileRange(int /*max*/) {}
    virtual void FilePosition(int /*position*/) {}
    // The file body has been written; the manifest part follows.
    virtual void FileDone() {}
    // The bytes of the body that have gone out on the connection so far (the
    // transport's count: what the pieces were handed over is ahead of it).
    virtual void BodySent(std::uint64_t /*bytes*/) {}
};

struct Exchange {
    bool ok = false;
    // When !ok: kCodeMessageSet (aborted), kCodeUnspecified, or a CURLcode.
    std::uint32_t code = 0;
    // The first 8191 bytes of the answer body.
    std::string answer;
    // Sum of the bytes each write handed to the transport.
    std::uint64_t bytesWritten = 0;
    // The answer's HTTP status; 0 when none came.
    long status = 0;
};

// The announced length of a body: the sum of its pieces' lengths.
std::uint64_t BodyLength(const std::vector<BodyPiece>& pieces);

// The pieces of one photo's request, in the order they are written: file
// part header, the file, CRLF, the manifest part, and the closing delimiter
// as its first bytes ("--" and the boundary: 43 with the fixed one), "--"
// and CRLF.
std::vector<BodyPiece> OrderRequestPieces(std::string_view path, std::string_view mediaType,
                                          std::uint64_t fileSize, std::string_view manifest,
                                          std::string_view boundary = kBoundary);

// The pieces of a one-field form: the value part and the closing delimiter.
std::vector<BodyPiece> ValueFormPieces(std::string_view field, std::string_view value,
                                       std::string_view boundary = kBoundary);

class HttpFormClient {
public:
    // AGENT names the program to the transport; the header block's own
    // User-Agent line is what goes on the wire. A transfer whose speed stays
    // below kLowSpeedBytes a second for STALL_SECONDS fails with the
    // transport's time-out, and so does one still running after
    // TOTAL_SECONDS (0: no such deadline). CA_FILE, when not empty, holds the
    // authorities trusted instead of the system's store (tests); the
    // certificate and host name are checked either way.
    explicit HttpFormClient(std::string agent, long stallSeconds = 60, std::string caFile = {},
                            long totalSeconds = 0);
    ~HttpFormClient();
    HttpFormClient(const HttpFormClient&) = delete;
    HttpFormClient& operator=(const HttpFormClient&) = delete;

    // Splits the address and prepares the handle. False with CODE set on
    // failure (CURLE_URL_MALFORMAT for an address that is not http or https).
    bool Open(std::string_view url, std::uint32_t& code);
    const UrlParts& url() const { return url_; }

    // One POST with the header block and a Content-Length of ANNOUNCED bytes;
    // the Content-Type names BOUNDARY, which the pieces use. The byte sum of
    // the writes must equal ANNOUNCED. The answer is read to its end; its
    // first 8191 bytes are kept, with its HTTP status, which the client
    // itself does not judge.
    Exchange Post(const std::vector<BodyPiece>& pieces, std::uint64_t announced,
                  RequestObserver* observer, std::string_view boundary = kBoundary);

    // Closes the connection (also done by the destructor).
    void Close();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    UrlParts url_;
};

}  // namespace orlavo::transmission
