#include "wizard/transmission/UploadSession.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>
#include <system_error>

#include "resources/WizardResources.h"
#include "wizard/transmission/FailureCode.h"
#include "wizard/transmission/FormBoundary.h"
#include "wizard/transmission/FormParts.h"
#include "wizard/transmission/HttpFormClient.h"
#include "wizard/transmission/PreparedPhoto.h"
#include "wizard/transmission/TransferManifest.h"
#include "wizard/transmission/UploadAnswer.h"
#include "wizard/transmission/UploadEstimate.h"

namespace orlavo::transmission {

namespace {

constexpr std::string_view kAnswerDump = "!QRT2_input.txt";

class SteadyClock : public UploadClock {
public:
    std::int64_t NowSeconds() override {
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

std::string PhotoBanner(int number, int count) {
    char line[96];
    std::snprintf(line, sizeof line, "\r\n------------ Photo %d of %d --------------\r\n", number,
                  count);
    return line;
}

// "%s" of PATTERN replaced in order by ARGS.
std::string Fill(std::string pattern, std::initializer_list<std::string_view> args) {
    std::size_t from = 0;
    for (std::string_view arg : args) {
        std::size_t at = pattern.find("%s", from);
        if (at == std::string::npos) {
            break;
        }
        pattern.replace(at, 2, arg);
        from = at + arg.size();
    }
    return pattern;
}

// A photo that went missing or unreadable since it was chosen: the message
// names it and says why, as the system puts it.
std::string UnreadablePhoto(const std::string& path) {
    std::string why = ErrorText(CURLE_READ_ERROR);
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    char byte = 0;
    if (f == nullptr || (std::fread(&byte, 1, 1, f) == 0 && std::ferror(f) != 0)) {
        why = std::error_code(errno, std::generic_category()).message();
    }
    if (f != nullptr) {
        std::fclose(f);
    }
    return Fill(wizard::Str(3522), {path, why});
}

}  // namespace

// Connects one request to the session: abort flag, pause gate, progress.
class UploadSession::Observer : public RequestObserver {
public:
    Observer(UploadSession& session, std::uint64_t bodyLength)
        : session_(session), bodyLength_(bodyLength) {}
    bool Aborted() const override { return session_.abort_.load(); }
    bool SafePoint() override { return session_.SafePoint(); }
    void FileRange(int max) override { session_.reporter_.ImageRange(max); }
    void FilePosition(int position) override {
        if (position != lastPosition_) {
            lastPosition_ = position;
            session_.reporter_.ImagePosition(position);
        }
    }
    void BodySent(std::uint64_t bytes) override {
        bytes = std::min(bytes, bodyLength_);
        if (bytes != lastSent_) {
            lastSent_ = bytes;
            session_.ReportBytes(bytes, bodyLength_, false);
        }
    }

private:
    UploadSession& session_;
    std::uint64_t bodyLength_;
    int lastPosition_ = -1;
    std::uint64_t lastSent_ = 0;
};

std::uint64_t RequestBodyLength(const UploadItem& item) {
    return UploadBodyLength(FilePartHeader(item.formName(), item.mediaType).size(), item.size,
                            ValuePart(kManifestField, item.manifest).size());
}

UploadSession::UploadSession(UploadSettings settings, std::vector<UploadItem> items,
                             std::uint64_t totalBytes, UploadReporter& reporter, UploadClock* clock)
    : settings_(std::move(settings)),
      items_(std::move(items)),
      totalBytes_(totalBytes),
      reporter_(reporter),
      clock_(clock),
      folder_(std::make_unique<SendFolder>(settings_.sendFolderParent)) {}

UploadSession::~UploadSession() {
    if (worker_.joinable()) {
        abort_ = true;
        Resume();
        worker_.join();
    }
    folder_->remove();
}

void UploadSession::Start() {
    if (!worker_.joinable()) {
        worker_ = std::thread([this] { Run(); });
    }
}

void UploadSession::Wait() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

void UploadSession::Pause() {
    std::lock_guard lock(pauseMutex_);
    paused_ = true;
}

void UploadSession::Resume() {
    {
        std::lock_guard lock(pauseMutex_);
        paused_ = false;
    }
    pauseChanged_.notify_all();
}

void UploadSession::Cancel() {
    {
        std::lock_guard lock(pauseMutex_);
        if (!passOver_) {
            userCancelled_ = true;
            abort_ = true;
        }
        paused_ = false;
    }
    pauseChanged_.notify_all();
}

bool UploadSession::SafePoint() {
    std::unique_lock lock(pauseMutex_);
    pauseChanged_.wait(lock, [this] { return !paused_ || abort_.load(); });
    return !abort_.load();
}

void UploadSession::Run() {
    SteadyClock steady;
    UploadClock& clock = clock_ != nullptr ? *clock_ : steady;
    const int count = static_cast<int>(items_.size());
    reporter_.OrderRange(count);
    const std::int64_t start = clock.NowSeconds();

    std::uint32_t code = kCodeMessageSet;
    bool ok = false;
    {
        HttpFormClient client(settings_.agent, settings_.stallSeconds, settings_.caFile);
        if (!client.Open(settings_.uploadUrl, code)) {
            // code set by Open
        } else if (abort_) {
            code = kCodeMessageSet;
        } else {
            ok = true;
            for (std::size_t i = 0; i < items_.size(); ++i) {
                if (!SafePoint()) {
                    code = kCodeMessageSet;
                    ok = false;
                    break;
                }
                reporter_.OrderPosition(static_cast<int>(i));
                std::uint64_t sent = sent_.load();
                if (sent > 0) {
                    if (auto text = EstimateText(sent, clock.NowSeconds() - start, totalBytes_)) {
                        reporter_.Estimate(*text);
                    }
                }
                reporter_.Thumbnail(items_[i].photoIndex + 1);
                reporter_.PhotoStarts(static_cast<int>(i));
                if (!SendItem(client, i, code)) {
                    ok = false;
                    break;
                }
                reporter_.OrderPosition(static_cast<int>(i) + 1);
            }
        }
        // The connection closes with the client, whatever the outcome.
    }
    folder_->remove();
    if (!ok) {
        SettleMessage(code, error_);
    }
    {
        std::lock_guard lock(pauseMutex_);
        passOver_ = true;
        abort_ = true;
        // Every photo accepted: the order is sent, whatever a cancel that
        // came too late to stop it said.
        if (ok) {
            userCancelled_ = false;
        }
    }
    reporter_.Finished();
}

void UploadSession::ReportBytes(std::uint64_t photoSent, std::uint64_t photoTotal, bool accepted) {
    const std::uint64_t done = sent_.load();
    const std::uint64_t total = std::max(totalBytes_, done);
    std::uint64_t order = accepted ? done : done + photoSent;
    // Full only once the lab has taken the last photo.
    if (!accepted && total > 0) {
        order = std::min(order, total - 1);
    }
    reporter_.BytesSent(photoSent, photoTotal, std::min(order, total), total);
}

bool UploadSession::WaitBeforeRetry(std::chrono::milliseconds pause) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + pause;
    std::unique_lock lock(pauseMutex_);
    for (;;) {
        if (abort_) {
            return false;
        }
        const Clock::duration left = end - Clock::now();
        if (left <= Clock::duration::zero()) {
            break;
        }
        // Whole seconds, rounded up, so the count never shows 0 while it waits.
        const auto seconds = std::chrono::ceil<std::chrono::seconds>(left);
        lock.unlock();
        reporter_.RetryCountdown(static_cast<int>(seconds.count()));
        lock.lock();
        // Until the number shown changes, or a cancel.
        pauseChanged_.wait_for(lock, left - (seconds - std::chrono::seconds(1)),
                               [this] { return abort_.load(); });
    }
    lock.unlock();
    reporter_.RetryCountdown(0);
    return SafePoint();
}

bool UploadSession::SendItem(HttpFormClient& client, std::size_t index, std::uint32_t& code) {
    const UploadItem& item = items_[index];
    const int count = static_cast<int>(items_.size());
    std::uint64_t size = item.size;
    std::string manifest = item.manifest;
    std::string filePath;
    // The file written for this photo goes as soon as the lab has it, or
    // with the folder when the pass ends.
    PreparedPhoto prepared;
    struct Releaser {
        PreparedPhoto& p;
        ~Releaser() { Release(p); }
    } releaser{prepared};
    if (item.work.needed() || item.work.removeLocation) {
        reporter_.Preparing(true);
        prepared = PreparePhoto(*folder_, item.path, item.work, item.number);
        reporter_.Preparing(false);
        if (!prepared.ok()) {
            error_ = prepared.problem;
            code = kCodeMessageSet;
            return false;
        }
        std::optional<std::string> sized = WithFileSize(item.manifest, prepared.size);
        if (!sized) {
            code = kCodeUnspecified;
            return false;
        }
        size = prepared.size;
        manifest = std::move(*sized);
        if (prepared.written)
            filePath = prepared.path;
    }
    const std::string& name = item.formName();
    // The bytes sent are read once more to choose the boundary: a file on
    // the user's disk may hold the fixed one, and a part forged after it.
    const std::optional<std::string> boundary =
        ChooseBoundary({name, manifest}, filePath.empty() ? item.path : filePath);
    if (!boundary) {
        error_ = UnreadablePhoto(item.path);
        code = kCodeMessageSet;
        return false;
    }
    std::string header = FilePartHeader(name, item.mediaType, *boundary);
    std::string manifestPart = ValuePart(kManifestField, manifest, *boundary);
    const std::uint64_t announced =
        UploadBodyLength(header.size(), size, manifestPart.size(), *boundary);
    // Every try sends these same bytes: the photo keeps its number and the order its id.
    const std::vector<BodyPiece> pieces = OrderRequestPieces(
        name, item.mediaType, size, manifest, *boundary, filePath.empty() ? item.path : filePath);

    for (std::size_t attempt = 0;; ++attempt) {
        Observer observer(*this, announced);
        ReportBytes(0, announced, false);
        Exchange exchange = client.Post(pieces, announced, &observer, *boundary);
        if (!exchange.ok && exchange.code == CURLE_READ_ERROR) {
            error_ = UnreadablePhoto(item.path);
            code = kCodeMessageSet;
            return false;
        }
        if (abort_) {
            code = kCodeMessageSet;
            return false;
        }
        if (exchange.ok && !exchange.answer.empty() && settings_.debug && settings_.dump) {
            std::string entry = PhotoBanner(static_cast<int>(index) + 1, count) + exchange.answer;
            if (!settings_.dump(kAnswerDump, entry)) {
                reporter_.Notice(Fill(wizard::Str(3500), {kAnswerDump}));
            }
        }
        AttemptVerdict verdict = JudgeAttempt(exchange);
        switch (verdict.kind) {
            case AttemptVerdict::Kind::Accepted:
                sent_ += exchange.bytesWritten;
                ReportBytes(announced, announced, true);
                if (settings_.accepted) {
                    settings_.accepted(item.number);
                }
                return true;
            case AttemptVerdict::Kind::Refused:
                serverRefused_ = true;
                error_ = std::move(verdict.message);
                code = kCodeMessageSet;
                return false;
            case AttemptVerdict::Kind::Retry:
                if (attempt < settings_.retryPauses.size()) {
                    if (!WaitBeforeRetry(settings_.retryPauses[attempt])) {
                        code = kCodeMessageSet;
                        return false;
                    }
                    continue;
                }
                [[fallthrough]];
            case AttemptVerdict::Kind::Fail:
                code = verdict.code;
                if (code == kCodeMessageSet) {
                    error_ = std::move(verdict.message);
                }
                return false;
        }
    }
}

}  // namespace orlavo::transmission
