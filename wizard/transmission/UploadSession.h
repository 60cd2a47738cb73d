#pragma once
// One upload session: a worker thread that sends every prepared photo of an
// order in one pass over one kept-alive connection, reporting its progress,
// and leaves one result behind: an error message that is empty when every
// photo was accepted, and whether the user cancelled. A photo whose request
// fails in a way that may pass (UploadRetry) is sent again, the same bytes,
// after each of the pauses in turn; a refusal by the lab ends the order.
//
// Threading contract:
// - Start() runs the pass on a std::thread owned by the session; Run() runs
//   it on the calling thread instead.
// - UploadReporter methods are called on the worker thread; a window turns
//   them into queued signals. Finished() is always the last call, once.
// - Pause(), Resume() and Cancel() may be called from any thread. A paused
//   worker waits at its next safe point (between two body writes, between
//   photos, after a pause before a retry); nothing is suspended or killed.
//   Cancel() also wakes it, in a pause before a retry too.
// - UploadSettings::accepted is called on the worker after each photo the lab
//   accepted, before the next request goes.
// - ErrorMessage() and UserCancelled() are read after Wait() has returned.
// - The destructor cancels a running worker and joins it.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "wizard/transmission/JpegTransform.h"
#include "wizard/transmission/UploadRetry.h"

namespace orlavo::transmission {

// One photo that is sent.
struct UploadItem {
    int photoIndex = 0;  // in the order's selected photos
    int number = 0;      // the photo's number in the order, as its manifest carries it
    std::string path;    // the user's photo; its name goes with the file
    // The name the form gives the file when it is not PATH: a photo made
    // into a JPEG goes as its stem with ".jpg".
    std::string formPath;
    std::string mediaType;
    std::uint64_t size = 0;
    std::string manifest;
    // Done to the photo before its request; then the file sent is the one
    // written for this send, and the manifest carries that file's size.
    PhotoWork work;

    const std::string& formName() const { return formPath.empty() ? path : formPath; }
};

// The length of ITEM's request body: what goes on the wire for it.
std::uint64_t RequestBodyLength(const UploadItem& item);

class UploadReporter {
public:
    virtual ~UploadReporter() = default;
    // Whole order in photos: range 0..max, and the photos accepted.
    virtual void OrderRange(int max) = 0;
    virtual void OrderPosition(int position) = 0;
    // Current image: range 0..size / 8192 and position in 8 KiB steps.
    virtual void ImageRange(int max) = 0;
    virtual void ImagePosition(int position) = 0;
    // Bytes gone out on the connection: of the request of the photo on its
    // way, and of the whole order (every request's body). The order's count
    // reaches its total only once the lab has accepted the last photo.
    virtual void BytesSent(std::uint64_t /*photoSent*/, std::uint64_t /*photoTotal*/,
                           std::uint64_t /*orderSent*/, std::uint64_t /*orderTotal*/) {}
    // Index of the thumbnail to show: the photo's index + 1 (0 is the placeholder).
    virtual void Thumbnail(int index) = 0;
    // The photo's file is being prepared for its request (converted, turned,
    // cropped, its location removed): true before, false once it is done.
    virtual void Preparing(bool /*on*/) {}
    // Item POSITION (from 0) starts: its request goes next. The order bar
    // alone does not say so, as it counts a photo once its data is out.
    virtual void PhotoStarts(int /*position*/) {}
    // Time left, "%d:%d:%d"; from the second photo on.
    virtual void Estimate(const std::string& text) = 0;
    // A message to show without stopping the upload.
    virtual void Notice(const std::string& text) = 0;
    // A photo's request failed in a way that may pass: the seconds until it
    // goes again, counted down once a second; 0 when it goes.
    virtual void RetryCountdown(int /*seconds*/) {}
    virtual void Finished() = 0;
};

// Whole seconds of a steady clock; tests give their own.
class UploadClock {
public:
    virtual ~UploadClock() = default;
    virtual std::int64_t NowSeconds() = 0;
};

struct UploadSettings {
    std::string uploadUrl;
    bool debug = false;
    std::string agent = "orlavo";
    // A request whose speed stays below 1 KiB a second this long fails.
    long stallSeconds = 60;
    // Authorities trusted instead of the system's store; empty = the
    // system's. Set by code only (tests), never from settings.
    std::string caFile;
    // Appends bytes to a named diagnostic file; false when it cannot. Used
    // only with debug on; unset means nothing is written.
    std::function<bool(std::string_view file, std::string_view bytes)> dump;
    // The pause before each further try of a photo; as many tries more as
    // there are pauses.
    std::vector<std::chrono::milliseconds> retryPauses = DefaultRetryPauses();
    // Told the number of each photo the lab accepted (on the worker).
    std::function<void(int number)> accepted;
    // Where the send's private folder for prepared photos is made; empty:
    // DefaultSendFolderParent().
    std::string sendFolderParent;
    // The photos go without their location (OrderSend prepares them so, and
    // keeps the choice in the order's journal for a resume).
    bool removeLocation = false;
};

class UploadSession {
public:
    // TOTAL_BYTES: the body bytes of every item's request (RequestBodyLength),
    // against which the time left and the order's progress are reckoned.
    UploadSession(UploadSettings settings, std::vector<UploadItem> items, std::uint64_t totalBytes,
                  UploadReporter& reporter, UploadClock* clock = nullptr);
    ~UploadSession();
    UploadSession(const UploadSession&) = delete;
    UploadSession& operator=(const UploadSession&) = delete;

    void Start();
    void Run();
    void Wait();

    void Pause();
    void Resume();
    // The user confirmed the cancel question. Once the pass has ended with
    // every photo accepted the order is on the lab's side, and a late Cancel
    // changes nothing.
    void Cancel();

    bool UserCancelled() const { return userCancelled_.load(); }
    const std::string& ErrorMessage() const { return error_; }
    // True when the order ended because the lab refused a photo by its
    // answer's title (rather than a transport failure or an unusable answer).
    bool ServerRefused() const { return serverRefused_.load(); }
    // The bytes written on the wire so far (headers of the form included).
    std::uint64_t BytesSent() const { return sent_.load(); }

private:
    class Observer;
    bool SafePoint();
    // Reports the bytes of the photo on its way and of the order.
    void ReportBytes(std::uint64_t photoSent, std::uint64_t photoTotal, bool accepted);
    // Counts PAUSE down; false when the order was cancelled meanwhile.
    bool WaitBeforeRetry(std::chrono::milliseconds pause);
    // Sends one item; kCodeMessageSet with the message set, or another code.
    bool SendItem(class HttpFormClient& client, std::size_t index, std::uint32_t& code);

    UploadSettings settings_;
    std::vector<UploadItem> items_;
    std::uint64_t totalBytes_;
    UploadReporter& reporter_;
    UploadClock* clock_;

    std::atomic<bool> abort_{false};
    std::atomic<bool> userCancelled_{false};
    std::atomic<bool> serverRefused_{false};
    std::atomic<std::uint64_t> sent_{0};
    std::mutex pauseMutex_;
    std::condition_variable pauseChanged_;
    bool paused_ = false;
    bool passOver_ = false;  // guarded by pauseMutex_

    std::string error_;  // written by the worker only
    // Prepared photos of this send; used by the worker only, removed when
    // the pass ends and again by the destructor.
    std::unique_ptr<class SendFolder> folder_;
    std::thread worker_;
};

}  // namespace orlavo::transmission
