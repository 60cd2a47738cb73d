#include "wizard/transmission/UploadSession.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

#include "tests/support/PhotoSamples.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/RawHttpServer.h"
#include "tests/transmission/TempFiles.h"
#include "wizard/transmission/FailureCode.h"
#include "wizard/transmission/FormParts.h"
#include "wizard/transmission/UploadEstimate.h"

namespace orlavo::transmission {
namespace {

using test::RawHttpServer;
using test::RawRequest;
using test::RawResponse;

RawResponse Page(std::string_view title) {
    return RawResponse::Http(200, "OK",
                             "<html><head><title>" + std::string(title) + "</title></head></html>",
                             {}, true, true);
}

// Records every report; thread-safe, as the reports come from the worker.
class RecordingReporter : public UploadReporter {
public:
    std::function<void(int)> onImagePosition;

    void OrderRange(int max) override { Add("order-range " + std::to_string(max)); }
    void OrderPosition(int p) override { Add("order " + std::to_string(p)); }
    void ImageRange(int max) override { Add("image-range " + std::to_string(max)); }
    void ImagePosition(int p) override {
        Add("image " + std::to_string(p));
        if (onImagePosition) {
            onImagePosition(p);
        }
    }
    void BytesSent(std::uint64_t photoSent, std::uint64_t photoTotal, std::uint64_t orderSent,
                   std::uint64_t orderTotal) override {
        std::lock_guard lock(mutex_);
        bytes_.push_back({photoSent, photoTotal, orderSent, orderTotal});
    }
    std::vector<std::array<std::uint64_t, 4>> bytes() const {
        std::lock_guard lock(mutex_);
        return bytes_;
    }
    void Thumbnail(int index) override { Add("thumb " + std::to_string(index)); }
    void PhotoStarts(int position) override { Add("starts " + std::to_string(position)); }
    void Preparing(bool on) override { Add(on ? "preparing" : "prepared"); }
    void Estimate(const std::string& text) override { Add("estimate " + text); }
    void Notice(const std::string& text) override { Add("notice " + text); }
    void RetryCountdown(int seconds) override {
        Add("retry " + std::to_string(seconds));
        if (onRetryCountdown) {
            onRetryCountdown(seconds);
        }
    }
    void Finished() override { Add("finished"); }
    std::function<void(int)> onRetryCountdown;

    std::vector<std::string> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<std::string> matching(std::string_view prefix) const {
        std::vector<std::string> out;
        for (const std::string& e : events()) {
            if (e.rfind(prefix, 0) == 0) {
                out.push_back(e);
            }
        }
        return out;
    }

private:
    void Add(std::string e) {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(e));
    }
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<std::array<std::uint64_t, 4>> bytes_;
};

class StepClock : public UploadClock {
public:
    explicit StepClock(std::int64_t step) : step_(step) {}
    std::int64_t NowSeconds() override {
        now_ += step_;
        return now_;
    }

private:
    std::int64_t step_;
    std::int64_t now_ = 1000;
};

struct Fixture {
    test::TempDir folder;
    std::vector<UploadItem> items;
    std::uint64_t total = 0;

    void Add(int photoIndex, std::size_t size) {
        UploadItem item;
        item.photoIndex = photoIndex;
        item.path =
            folder.write("p" + std::to_string(photoIndex) + ".jpg", test::PatternBytes(size));
        item.mediaType = "image/pjpeg";
        item.size = size;
        item.manifest = "<transfermanifest n=\"" + std::to_string(photoIndex) + "\"/>";
        items.push_back(item);
        total += size;
    }
};

// Retries after a moment instead of seconds.
UploadSettings Settings(const RawHttpServer& server) {
    using namespace std::chrono_literals;
    UploadSettings s;
    s.uploadUrl = server.url("/upload");
    s.retryPauses = {1ms, 1ms, 1ms};
    return s;
}

RawResponse Dropped() {
    RawResponse r = Page("DONE");
    r.sendLimit = 0;
    r.after = RawResponse::After::Close;
    return r;
}

TEST(UploadSession, SendsEveryItemOverOneConnectionAndLeavesNoMessage) {
    Fixture f;
    f.Add(0, 1000);
    f.Add(2, 20000);
    RawHttpServer server([](const RawRequest&) { return Page("DONE"); });
    RecordingReporter reporter;
    UploadSession session(Settings(server), f.items, f.total, reporter);
    session.Start();
    session.Wait();
    EXPECT_EQ(session.ErrorMessage(), "");
    EXPECT_FALSE(session.UserCancelled());
    ASSERT_EQ(server.requestCount(), 2u);
    EXPECT_EQ(server.connectionCount(), 1);
    EXPECT_NE(server.requests()[1].body.find("<transfermanifest n=\"2\"/>"), std::string::npos);

    auto events = reporter.events();
    EXPECT_EQ(events.front(), "order-range 2");
    EXPECT_EQ(events.back(), "finished");
    EXPECT_EQ(reporter.matching("thumb"), (std::vector<std::string>{"thumb 1", "thumb 3"}));
    EXPECT_EQ(reporter.matching("starts"), (std::vector<std::string>{"starts 0", "starts 1"}));
    EXPECT_EQ(reporter.matching("order "),
              (std::vector<std::string>{"order 0", "order 1", "order 1", "order 2"}));
    // The file steps of each photo: 0..0 for the first, 0..2 for the second.
    std::vector<std::string> ranges = reporter.matching("image-range");
    EXPECT_EQ(ranges, (std::vector<std::string>{"image-range 0", "image-range 2"}));
}

TEST(UploadSession, BarsCountTheBytesOnTheWireAndTheOrderFillsOnlyWhenTheLastPhotoIsIn) {
    Fixture f;
    f.Add(0, 300000);
    f.Add(1, 200000);
    f.Add(2, 5000);
    std::uint64_t total = 0;
    for (const UploadItem& item : f.items)
        total += RequestBodyLength(item);
    RawHttpServer server([](const RawRequest&) { return Page("DONE"); });
    RecordingReporter reporter;
    UploadSession session(Settings(server), f.items, total, reporter);
    session.Run();
    ASSERT_EQ(session.ErrorMessage(), "");
    EXPECT_EQ(session.BytesSent(), total);

    const std::vector<std::array<std::uint64_t, 4>> bytes = reporter.bytes();
    ASSERT_FALSE(bytes.empty());
    std::uint64_t lastOrder = 0;
    std::size_t photo = 0;
    for (const auto& [photoSent, photoTotal, orderSent, orderTotal] : bytes) {
        EXPECT_EQ(orderTotal, total);
        EXPECT_LE(photoSent, photoTotal);
        EXPECT_GE(orderSent, lastOrder) << "the order's count never goes back";
        lastOrder = orderSent;
        if (photoTotal != RequestBodyLength(f.items[photo]))
            ++photo;
        ASSERT_LT(photo, f.items.size());
        EXPECT_EQ(photoTotal, RequestBodyLength(f.items[photo]));
    }
    EXPECT_EQ(bytes.back(),
              (std::array<std::uint64_t, 4>{RequestBodyLength(f.items[2]),
                                            RequestBodyLength(f.items[2]), total, total}));
    // Some report showed the first photo part-way, and the order part-way.
    EXPECT_TRUE(std::any_of(bytes.begin(), bytes.end(), [&](const auto& b) {
        return b[0] > 0 && b[0] < b[1] && b[2] > 0 && b[2] < total;
    }));
    // Until the last photo is accepted the order is not full: only the last
    // report shows the whole order.
    EXPECT_EQ(
        std::count_if(bytes.begin(), bytes.end(), [&](const auto& b) { return b[2] == total; }), 1);
}

// How often NEEDLE occurs in TEXT.
std::size_t Occurrences(std::string_view text, std::string_view needle) {
    std::size_t count = 0;
    for (std::size_t at = text.find(needle); at != std::string_view::npos;
         at = text.find(needle, at + 1))
        ++count;
    return count;
}

TEST(UploadSession, PartsHoldingTheBoundaryGoUnderAnotherThatTheContentTypeNames) {
    const std::string fixed(kBoundary);
    // A delimiter and a part of its own inside the photo, and the boundary
    // in a manifest; the photo in between holds neither.
    const std::string forged =
        "\r\n--" + fixed +
        "\r\nContent-Disposition: form-data; name=\"transfermanifest\"\r\n\r\n"
        "<transfermanifest forged=\"1\"/>\r\n--" +
        fixed + "--\r\n";
    Fixture f;
    f.Add(0, 1000);
    f.Add(1, 1000);
    f.Add(2, 1000);
    const std::string photo = test::PatternBytes(70000) + forged + test::PatternBytes(70000);
    f.folder.write("p0.jpg", photo);
    f.items[0].size = photo.size();
    f.items[2].manifest = "<transfermanifest note=\"--" + fixed + "\"/>";
    RawHttpServer server([](const RawRequest&) { return Page("DONE"); });
    RecordingReporter reporter;
    UploadSession session(Settings(server), f.items, f.total, reporter);
    session.Run();
    EXPECT_EQ(session.ErrorMessage(), "");
    ASSERT_EQ(server.requestCount(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const RawRequest req = server.requests()[i];
        const std::string type = req.header("Content-Type");
        const std::string prefix = "multipart/form-data; boundary=";
        ASSERT_EQ(type.substr(0, prefix.size()), prefix);
        const std::string boundary = type.substr(prefix.size());
        if (i == 1) {
            // Parts without it keep the fixed boundary, byte for byte.
            EXPECT_EQ(boundary, fixed);
            continue;
        }
        EXPECT_EQ(boundary.substr(0, fixed.size()), fixed);
        EXPECT_GT(boundary.size(), fixed.size());
        EXPECT_LE(boundary.size(), 70u);
        // Two delimiters and the closing one, and nowhere else.
        EXPECT_EQ(Occurrences(req.body, boundary), 3u);
        const std::string expected =
            "--" + boundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
            f.items[i].path + "\"\r\nContent-Type: image/pjpeg\r\n\r\n" +
            test::ReadFile(f.items[i].path) + "\r\n--" + boundary +
            "\r\nContent-Disposition: form-data; name=\"transfermanifest\"\r\n\r\n" +
            f.items[i].manifest + "\r\n--" + boundary + "--\r\n";
        EXPECT_EQ(req.body, expected);
        EXPECT_EQ(req.header("Content-Length"), std::to_string(expected.size()));
    }
}

TEST(UploadSession, AConvertedPhotoIsPreparedJustBeforeItsRequestAndGoesUnderItsJpegName) {
    RawHttpServer server([](const RawRequest&) { return Page("DONE"); });
    Fixture f;
    f.Add(0, 3000);
    UploadItem png;
    png.photoIndex = 1;
    png.number = 2;
    png.path = f.folder.write("IMG_0002.PNG", test::PngBytes(QImage(64, 48, QImage::Format_RGB32)));
    png.formPath = f.folder.file("IMG_0002.jpg");
    png.mediaType = "image/pjpeg";
    png.size = 3000;
    png.manifest = "<transfermanifest><file size=\"3000\"/></transfermanifest>";
    png.work.convert = true;
    f.items.push_back(png);
    RecordingReporter reporter;
    UploadSettings settings = Settings(server);
    settings.sendFolderParent = (f.folder.path() / "sending").string();
    UploadSession session(settings, f.items, f.total + 3000, reporter);
    session.Run();
    EXPECT_EQ(session.ErrorMessage(), "");
    // Only the converted photo is prepared, after the first one went.
    const std::vector<std::string> events = reporter.events();
    const auto at = [&](const std::string& e) {
        return std::find(events.begin(), events.end(), e) - events.begin();
    };
    EXPECT_LT(at("starts 1"), at("preparing"));
    EXPECT_LT(at("preparing"), at("prepared"));
    EXPECT_EQ(reporter.matching("preparing").size(), 1u);
    const std::vector<RawRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(
        requests[1].body.find("filename=\"" + png.formPath + "\"\r\nContent-Type: image/pjpeg"),
        std::string::npos);
    EXPECT_EQ(requests[1].body.find("IMG_0002.PNG"), std::string::npos);
    EXPECT_NE(requests[1].body.find("\xFF\xD8\xFF"), std::string::npos) << "a JPEG went";
    EXPECT_FALSE(std::filesystem::exists(f.folder.path() / "sending" / "photo-2.jpg"));
}

TEST(UploadSession, RefusalOfTheSecondPhotoEndsTheOrderWithItsTitle) {
    Fixture f;
    f.Add(0, 100);
    f.Add(1, 100);
    f.Add(2, 100);
    int n = 0;
    std::mutex m;
    RawHttpServer server([&](const RawRequest&) {
        std::lock_guard lock(m);
        return Page(++n == 2 ? "unable_send_order" : "DONE");
    });
    RecordingReporter reporter;
    UploadSession session(Settings(server), f.items, f.total, reporter);
    session.Run();
    EXPECT_EQ(session.ErrorMessage(), "UNABLE_SEND_ORDER");
    EXPECT_TRUE(session.ServerRefused());
    EXPECT_EQ(server.requestCount(), 2u);
    EXPECT_EQ(reporter.matching("finished").size(), 1u);
}

TEST(UploadSession, PhotoGoneOrUnreadableSinceItWasChosenIsNamedWithTheReason) {
    const struct {
        const char* name;
        std::function<void(const std::string& path)> spoil;
        std::string reason;
        bool checkedBeforeSending = false;
    } cases[] = {
        {"deleted", [](const std::string& p) { std::filesystem::remove(p); },
         "No such file or directory", true},
        {"a folder now",
         [](const std::string& p) {
             std::filesystem::remove(p);
             std::filesystem::create_directory(p);
         },
         "Is a directory"},
        {"shorter now", [](const std::string& p) { std::filesystem::resize_file(p, 10); },
         ErrorText(CURLE_READ_ERROR)},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.Add(0, 100);
        f.Add(1, 20000);
        c.spoil(f.items[1].path);
        RawHttpServer server([](const RawRequest&) { return Page("DONE"); });
        RecordingReporter reporter;
        UploadSession session(Settings(server), f.items, f.total, reporter);
        session.Run();
        EXPECT_EQ(session.ErrorMessage(),
                  "The photo " + f.items[1].path + " cannot be read: " + c.reason)
            << c.name;
        EXPECT_FALSE(session.ServerRefused());
        EXPECT_FALSE(session.UserCancelled());
        if (c.checkedBeforeSending) {
            EXPECT_EQ(server.requestCount(), 1u) << c.name;
        }
    }
}

TEST(UploadSession, AnswersThatMayPassAreTriedFourTimesAndRefusalsOnce) {
    const std::string lostTitle = "Unrecognized responce from the server\n(Page title missing)";
    const struct {
        const char* name;
        RawResponse response;
        std::string message;   // empty: accepted
        std::size_t requests;  // for the two photos of the order
        bool refused = false;
    } cases[] = {
        {"empty title", Page(""), "Upload Failed", 1, true},
        {"card refused", Page("INVALID_CREDIT_CARD"), "INVALID_CREDIT_CARD", 1, true},
        {"refusal with a client error status",
         RawResponse::Http(403, "Forbidden", "<title>UNABLE_SEND_ORDER</title>", {}, true, true),
         "UNABLE_SEND_ORDER", 1, true},
        {"accepting page with a client error status",
         RawResponse::Http(404, "Not Found", "<title>DONE</title>", {}, true, true), "", 2},
        {"empty answer", RawResponse::Http(200, "OK", "", {}, true, true),
         "Empty response from the server", 4},
        {"no title", RawResponse::Http(200, "OK", "<html>DONE</html>", {}, true, true), lostTitle,
         4},
        // Only the first 8191 bytes are judged: a title after them is missing.
        {"title too late",
         RawResponse::Http(200, "OK", std::string(8191, ' ') + "<title>DONE</title>", {}, true,
                           true),
         lostTitle, 4},
        {"connection dropped", Dropped(), curl_easy_strerror(CURLE_GOT_NOTHING), 4},
        // The lab's server erred, whatever its page says.
        {"server error with an accepting page",
         RawResponse::Http(500, "Internal Server Error", "<title>DONE</title>", {}, true, true),
         "The lab's server had an error (HTTP status 500).", 4},
        {"server error with a refusal",
         RawResponse::Http(503, "Unavailable", "<title>UNABLE_SEND_ORDER</title>", {}, true, true),
         "The lab's server had an error (HTTP status 503).", 4},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.Add(0, 100);
        f.Add(1, 100);
        RawHttpServer server([&](const RawRequest&) { return c.response; });
        RecordingReporter reporter;
        UploadSession session(Settings(server), f.items, f.total, reporter);
        session.Run();
        EXPECT_EQ(session.ErrorMessage(), c.message) << c.name;
        EXPECT_EQ(session.ServerRefused(), c.refused) << c.name;
        EXPECT_EQ(server.requestCount(), c.requests) << c.name;
        // Each try of the first photo sends the same bytes.
        if (c.requests == 4) {
            for (const RawRequest& r : server.requests())
                EXPECT_EQ(r.body, server.requests()[0].body) << c.name;
        }
        EXPECT_EQ(reporter.matching("retry 0").size(), c.requests == 4 ? 3u : 0u) << c.name;
    }
}

TEST(UploadSession, FailureThatPassesCostsOnlyThePausesAndTheOrderGoesOn) {
    using namespace std::chrono_literals;
    Fixture f;
    f.Add(0, 20000);
    f.Add(1, 100);
    std::mutex m;
    int n = 0;
    RawHttpServer server([&](const RawRequest&) {
        std::lock_guard lock(m);
        return ++n <= 2 ? Dropped() : Page("DONE");
    });
    RecordingReporter reporter;
    std::vector<int> accepted;
    UploadSettings settings = Settings(server);
    settings.retryPauses = {1100ms, 1ms, 1ms};
    settings.accepted = [&](int number) { accepted.push_back(number); };
    f.items[0].number = 4;
    f.items[1].number = 7;
    UploadSession session(settings, f.items, f.total, reporter);
    session.Run();
    EXPECT_EQ(session.ErrorMessage(), "");
    ASSERT_EQ(server.requestCount(), 4u);
    std::vector<RawRequest> r = server.requests();
    EXPECT_EQ(r[0].body, r[2].body);
    EXPECT_NE(r[2].body, r[3].body);
    // The count shows whole seconds down to the next try.
    EXPECT_EQ(reporter.matching("retry"),
              (std::vector<std::string>{"retry 2", "retry 1", "retry 0", "retry 1", "retry 0"}));
    EXPECT_EQ(accepted, (std::vector<int>{4, 7}));
}

TEST(UploadSession, CancelDuringAPauseBeforeARetryEndsTheWaitAtOnce) {
    using namespace std::chrono_literals;
    Fixture f;
    f.Add(0, 100);
    RawHttpServer server([](const RawRequest&) { return Dropped(); });
    RecordingReporter reporter;
    UploadSettings settings = Settings(server);
    settings.retryPauses = {60s};
    UploadSession session(settings, f.items, f.total, reporter);
    reporter.onRetryCountdown = [&](int seconds) {
        if (seconds > 0) {
            session.Cancel();
        }
    };
    session.Start();
    session.Wait();
    EXPECT_TRUE(session.UserCancelled());
    EXPECT_EQ(session.ErrorMessage(), "");
    EXPECT_EQ(server.requestCount(), 1u);
    // It did not count its way through the minute.
    EXPECT_EQ(reporter.matching("retry"), (std::vector<std::string>{"retry 60"}));
}

TEST(UploadSession, ServerThatStallsFailsWithTheTimeOut) {
    Fixture f;
    f.Add(0, 100);
    RawHttpServer server([](const RawRequest&) {
        RawResponse r = Page("DONE");
        r.after = RawResponse::After::Stall;
        r.sendLimit = 0;
        return r;
    });
    RecordingReporter reporter;
    UploadSettings settings = Settings(server);
    settings.stallSeconds = 1;
    settings.retryPauses.clear();
    UploadSession session(settings, f.items, f.total, reporter);
    session.Run();
    EXPECT_EQ(session.ErrorMessage(), curl_easy_strerror(CURLE_OPERATION_TIMEDOUT));
    EXPECT_FALSE(session.ServerRefused());
}

TEST(UploadSession, UnusableAddressEndsWithTheTransportsMessage) {
    Fixture f;
    f.Add(0, 100);
    RecordingReporter reporter;
    UploadSettings settings;
    settings.uploadUrl = "mailto:lab@example.com";
    UploadSession session(settings, f.items, f.total, reporter);
    session.Run();
    EXPECT_EQ(session.ErrorMessage(), curl_easy_strerror(CURLE_URL_MALFORMAT));
    EXPECT_EQ(reporter.events().back(), "finished");
}

TEST(UploadSession, EstimateAppearsFromTheSecondPhotoOn) {
    Fixture f;
    f.Add(0, 100000);
    f.Add(1, 100000);
    f.Add(2, 100000);
    RawHttpServer server([](const RawRequest&) { return Page("DONE"); });
    RecordingReporter reporter;
    StepClock clock(10);  // ten seconds pass between two readings
    UploadSession session(Settings(server), f.items, 400000, reporter, &clock);
    session.Run();
    ASSERT_EQ(session.ErrorMessage(), "");
    std::vector<std::string> estimates = reporter.matching("estimate");
    ASSERT_EQ(estimates.size(), 2u);
    std::uint64_t firstRequest = server.requests()[0].body.size();
    EXPECT_EQ(estimates[0], "estimate " + *EstimateText(firstRequest, 10, 400000));
    EXPECT_EQ(estimates[0], "estimate 0:0:30");
    // No estimate before the first thumbnail.
    auto events = reporter.events();
    auto firstThumb = std::find(events.begin(), events.end(), "thumb 1");
    auto firstEstimate = std::find(events.begin(), events.end(), estimates[0]);
    EXPECT_LT(firstThumb, firstEstimate);
}

TEST(UploadSession, NoEstimateWhileLessThanASecondHasPassed) {
    Fixture f;
    f.Add(0, 100);
    f.Add(1, 100);
    RawHttpServer server([](const RawRequest&) { return Page("DONE"); });
    RecordingReporter reporter;
    StepClock clock(0);
    UploadSession session(Settings(server), f.items, f.total, reporter, &clock);
    session.Run();
    EXPECT_EQ(session.ErrorMessage(), "");
    EXPECT_TRUE(reporter.matching("estimate").empty());
}

TEST(UploadSession, CancelInTheMiddleOfAFileStopsWithoutAMessage) {
    Fixture f;
    f.Add(0, 300000);
    f.Add(1, 100);
    RawHttpServer server([](const RawRequest&) { return Page("DONE"); });
    RecordingReporter reporter;
    UploadSession session(Settings(server), f.items, f.total, reporter);
    reporter.onImagePosition = [&](int p) {
        if (p >= 2) {
            session.Cancel();
        }
    };
    session.Start();
    session.Wait();
    EXPECT_TRUE(session.UserCancelled());
    EXPECT_EQ(session.ErrorMessage(), "");
    for (const RawRequest& r : server.requests()) {
        EXPECT_FALSE(r.complete);
    }
    EXPECT_LT(session.BytesSent(), 300000u);
}

// Lets the test wait for the worker to reach a point.
struct Latch {
    std::mutex m;
    std::condition_variable cv;
    bool set = false;
    void Set() {
        {
            std::lock_guard lock(m);
            set = true;
        }
        cv.notify_all();
    }
    void Wait() {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return set; });
    }
};

TEST(UploadSession, PausedWorkerWaitsAndResumesWhereItStood) {
    Fixture f;
    f.Add(0, 300000);
    RawHttpServer server([](const RawRequest&) { return Page("DONE"); });
    RecordingReporter reporter;
    UploadSession session(Settings(server), f.items, f.total, reporter);
    Latch paused;
    bool once = false;
    reporter.onImagePosition = [&](int p) {
        if (p >= 1 && !once) {
            once = true;
            session.Pause();
            paused.Set();
        }
    };
    session.Start();
    paused.Wait();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // The body cannot be complete while the worker waits.
    EXPECT_EQ(server.requestCount(), 0u);
    std::size_t positionsWhilePaused = reporter.matching("image ").size();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(reporter.matching("image ").size(), positionsWhilePaused);
    session.Resume();
    session.Wait();
    EXPECT_EQ(session.ErrorMessage(), "");
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_TRUE(server.requests()[0].complete);
    EXPECT_NE(server.requests()[0].body.find(test::PatternBytes(300000)), std::string::npos);
}

TEST(UploadSession, CancelWhilePausedEndsTheWorker) {
    Fixture f;
    f.Add(0, 300000);
    RawHttpServer server([](const RawRequest&) { return Page("DONE"); });
    RecordingReporter reporter;
    UploadSession session(Settings(server), f.items, f.total, reporter);
    Latch paused;
    bool once = false;
    reporter.onImagePosition = [&](int) {
        if (!once) {
            once = true;
            session.Pause();
            paused.Set();
        }
    };
    session.Start();
    paused.Wait();
    session.Cancel();
    session.Wait();
    EXPECT_TRUE(session.UserCancelled());
    EXPECT_EQ(session.ErrorMessage(), "");
    EXPECT_EQ(reporter.events().back(), "finished");
}

TEST(UploadSession, CancelAfterEveryPhotoWasAcceptedLeavesTheOrderSent) {
    Fixture f;
    f.Add(0, 100);
    f.Add(1, 100);
    RawHttpServer server([](const RawRequest&) { return Page("DONE"); });
    RecordingReporter reporter;
    UploadSession session(Settings(server), f.items, f.total, reporter);
    session.Start();
    session.Wait();
    // The cancel question was answered Yes only after the pass had ended.
    session.Cancel();
    EXPECT_FALSE(session.UserCancelled());
    EXPECT_EQ(session.ErrorMessage(), "");
    EXPECT_EQ(server.requestCount(), 2u);
}

TEST(UploadSession, DestroyingARunningSessionStopsItsWorker) {
    Fixture f;
    f.Add(0, 100);
    RawHttpServer server([](const RawRequest&) {
        RawResponse r = Page("DONE");
        r.after = RawResponse::After::Stall;
        r.sendLimit = 0;
        return r;
    });
    RecordingReporter reporter;
    {
        UploadSession session(Settings(server), f.items, f.total, reporter);
        session.Start();
        ASSERT_TRUE(server.waitForRequests(1));
    }
    EXPECT_EQ(reporter.events().back(), "finished");
}

TEST(UploadSession, DebugDumpsEachAnswerAndGoesOnWhenItCannot) {
    Fixture f;
    f.Add(0, 100);
    f.Add(1, 100);
    RawHttpServer server([](const RawRequest&) { return Page("done"); });
    std::vector<std::pair<std::string, std::string>> written;
    UploadSettings settings = Settings(server);
    settings.debug = true;
    settings.dump = [&](std::string_view file, std::string_view bytes) {
        written.emplace_back(file, bytes);
        return written.size() == 1;  // the second dump fails
    };
    RecordingReporter reporter;
    UploadSession session(settings, f.items, f.total, reporter);
    session.Run();
    EXPECT_EQ(session.ErrorMessage(), "");
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].first, "!QRT2_input.txt");
    EXPECT_EQ(written[0].second,
              "\r\n------------ Photo 1 of 2 --------------\r\n"
              "<html><head><title>done</title></head></html>");
    EXPECT_EQ(reporter.matching("notice"),
              (std::vector<std::string>{"notice could not open file: !QRT2_input.txt"}));
}

}  // namespace
}  // namespace orlavo::transmission
