// Requests made to hurt the lab: dripped or oversized headers, bodies that
// never end, ranges that multiply the answer. Others must still be served and
// no answer may outgrow what was asked for.

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include "tests/lab/LabFixture.h"

namespace orlavo::labtest {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char kGetCatalogue[] =
    "GET /catalogue.xml HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";

std::string StatusLine(const std::string& answer) {
    return answer.substr(0, answer.find("\r\n"));
}

class LabHostile : public LabFixture {};

// A thread that drips bytes on connections until told to stop; the test
// never leaves it running.
struct Dripper {
    std::atomic<bool> stop{false};
    std::thread thread;
    ~Dripper() {
        stop = true;
        if (thread.joinable())
            thread.join();
    }
};

TEST_F(LabHostile, ClientsThatDripTheirHeadersNeitherBlockOthersNorStayForever) {
    // Every client here is 127.0.0.1: the cap per address is lifted.
    startLab({"--max-connections-per-address", "0"});
    // Many more than the lab has workers, each sending one header line every
    // two seconds, as long as the lab keeps it open.
    constexpr int kSlow = 200;
    std::vector<std::unique_ptr<RawConnection>> slow;
    for (int i = 0; i < kSlow; ++i) {
        slow.push_back(std::make_unique<RawConnection>(lab_->port()));
        ASSERT_TRUE(slow.back()->connected());
        ASSERT_TRUE(slow.back()->send("GET /catalogue.xml HTTP/1.1\r\nHost: x\r\n"));
    }
    std::vector<std::string> answers(kSlow);
    Dripper dripper;
    dripper.thread = std::thread([&] {
        std::vector<bool> open(kSlow, true);
        const auto end = std::chrono::steady_clock::now() + 60s;
        int left = kSlow;
        while (left > 0 && !dripper.stop && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(2s);
            for (int i = 0; i < kSlow; ++i) {
                if (!open[i])
                    continue;
                if (slow[i]->readable()) {
                    answers[i] = slow[i]->receiveAll();
                    open[i] = false;
                    --left;
                } else {
                    slow[i]->send("X-Drip: 1\r\n");
                }
            }
        }
    });

    // A normal client is served meanwhile.
    auto res = client_->Get("/catalogue.xml");
    ASSERT_TRUE(res) << httplib::to_string(res.error());
    EXPECT_EQ(res->status, 200);

    // And the dripping ones are told, then dropped, once their time is up.
    dripper.thread.join();
    for (int i = 0; i < kSlow; ++i)
        ASSERT_EQ(StatusLine(answers[i]), "HTTP/1.1 408 Request Timeout") << "connection " << i;
}

TEST_F(LabHostile, RequestBodiesTooSlowToEverEndAreCutOff) {
    startLab();
    const std::string head =
        "POST /upload HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=" +
        std::string(kBoundary) + "\r\nContent-Length: 1000000\r\n\r\n";
    // Twenty bytes a second, each well within the lab's read timeout: a
    // million bytes would take fourteen hours. A burst first gives no credit
    // for the drip that follows (at a rate averaged since the start, 200 KiB
    // would buy over three minutes).
    for (const std::size_t burst : {std::size_t{0}, std::size_t{200} << 10}) {
        SCOPED_TRACE(burst);
        RawConnection c(lab_->port());
        ASSERT_TRUE(c.send(head + std::string(burst, 'x')));
        bool cut = false;
        const auto end = std::chrono::steady_clock::now() + 60s;
        while (!cut && std::chrono::steady_clock::now() < end) {
            if (c.readable()) {
                cut = true;
                break;
            }
            cut = !c.send(std::string(20, 'x'));
            std::this_thread::sleep_for(1s);
        }
        EXPECT_TRUE(cut);
        // The lab still serves.
        EXPECT_EQ(client_->Get("/catalogue.xml")->status, 200);
    }
}

// Bodies the lab waits for before a worker takes them, in the other forms a
// client may send them: in chunks, or once the lab has said "100 Continue",
// which it says once.
TEST_F(LabHostile, BodiesInChunksOrAfterContinueAreServed) {
    startLab();
    const std::string body = MultipartBody({{"PriceRequest", PriceRequestFields{}.xml()}}, "", "");
    const std::string form =
        "POST /price HTTP/1.1\r\nHost: x\r\nConnection: close\r\n"
        "Content-Type: multipart/form-data; boundary=" +
        std::string(kBoundary) + "\r\n";
    const std::string half = body.substr(0, body.size() / 2);
    const std::string rest = body.substr(body.size() / 2);
    auto hex = [](std::size_t n) {
        char text[32];
        std::snprintf(text, sizeof text, "%zx", n);
        return std::string(text);
    };
    {
        const std::string answer =
            RawExchange(lab_->port(), form + "Transfer-Encoding: chunked\r\n\r\n" +
                                          hex(half.size()) + ";x=1\r\n" + half + "\r\n" +
                                          hex(rest.size()) + "\r\n" + rest + "\r\n0\r\n\r\n");
        EXPECT_EQ(StatusLine(answer), "HTTP/1.1 200 OK");
        EXPECT_NE(answer.find("<PriceQuote"), std::string::npos) << answer;
    }
    {
        RawConnection c(lab_->port());
        ASSERT_TRUE(c.send(form + "Expect: 100-continue\r\nContent-Length: " +
                           std::to_string(body.size()) + "\r\n\r\n"));
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (!c.readable() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(10ms);
        ASSERT_TRUE(c.send(body));
        const std::string answer = c.receiveAll();
        const std::string once = "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n";
        EXPECT_EQ(answer.substr(0, once.size()), once) << answer;
        EXPECT_NE(answer.find("<PriceQuote"), std::string::npos) << answer;
    }
}

// Connections that announce a body and drip it, reopened whenever the lab
// cuts them, as a client that wants to starve the lab would. The cap per
// address is lifted: every client here is 127.0.0.1.
TEST_F(LabHostile, ClientsThatDripTheirBodiesNeitherBlockOthersNorStay) {
    startLab({"--max-connections-per-address", "0"});
    constexpr int kSlow = 64;
    const std::string head =
        "POST /upload HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=" +
        std::string(kBoundary) + "\r\nContent-Length: 100000\r\n\r\n";
    std::vector<std::unique_ptr<RawConnection>> slow(kSlow);
    auto open = [&](int i) {
        slow[i] = std::make_unique<RawConnection>(lab_->port());
        slow[i]->send(head);
    };
    for (int i = 0; i < kSlow; ++i)
        open(i);
    // Connections told "408 Request Timeout" at least once.
    std::vector<std::atomic<bool>> told(kSlow);
    Dripper dripper;
    dripper.thread = std::thread([&] {
        while (!dripper.stop) {
            std::this_thread::sleep_for(2s);
            for (int i = 0; i < kSlow && !dripper.stop; ++i) {
                if (slow[i]->readable()) {
                    if (StatusLine(slow[i]->receiveAll()) == "HTTP/1.1 408 Request Timeout")
                        told[i] = true;
                    open(i);
                } else {
                    slow[i]->send("x");
                }
            }
        }
    });

    // Normal clients are served meanwhile, one a second.
    std::this_thread::sleep_for(1s);
    int answered = 0;
    constexpr int kNormal = 8;
    for (int i = 0; i < kNormal; ++i) {
        auto client = newClient();
        client->set_read_timeout(5, 0);
        auto res = client->Get("/catalogue.xml");
        answered += res && res->status == 200;
        std::this_thread::sleep_for(1s);
    }
    EXPECT_EQ(answered, kNormal);
    // And every dripping connection is told, then cut.
    auto allTold = [&] {
        return std::all_of(told.begin(), told.end(), [](const auto& t) { return t.load(); });
    };
    for (int i = 0; i < 300 && !allTold(); ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(allTold());
}

// One address may hold only so many connections; the next is told at once
// and the address is served again once one of them has gone.
TEST_F(LabHostile, ConnectionsPerAddressAreCapped) {
    const struct {
        std::vector<std::string> args;
        int cap;
    } cases[] = {{{}, 8}, {{"--max-connections-per-address", "3"}, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cap);
        startLab(c.args);
        std::vector<std::unique_ptr<RawConnection>> held;
        for (int i = 0; i < c.cap; ++i) {
            held.push_back(std::make_unique<RawConnection>(lab_->port()));
            ASSERT_TRUE(held.back()->send("GET /catalogue.xml HTTP/1.1\r\n"));
        }
        // The lab counts a connection once it has taken it.
        std::this_thread::sleep_for(300ms);
        const std::string refused = RawExchange(lab_->port(), kGetCatalogue);
        EXPECT_EQ(StatusLine(refused), "HTTP/1.1 503 Service Unavailable");
        for (const auto& h : held)
            EXPECT_FALSE(h->readable());

        held.pop_back();
        std::string served;
        for (int tries = 0; tries < 50 && StatusLine(served) != "HTTP/1.1 200 OK"; ++tries) {
            std::this_thread::sleep_for(100ms);
            served = RawExchange(lab_->port(), kGetCatalogue);
        }
        EXPECT_EQ(StatusLine(served), "HTTP/1.1 200 OK");
    }
}

TEST_F(LabHostile, HeaderBlocksBeyondTheLimitsAreRefusedWith431) {
    startLab();
    std::string manyLines, longLine(100 * 1024, 'a'), fieldsOverCount;
    for (int i = 0; i < 100000; ++i)
        manyLines += "X-Filler: abcdefghijk\r\n";
    for (int i = 0; i < 250; ++i)
        fieldsOverCount += "X-F" + std::to_string(i) + ": 1\r\n";
    const struct {
        const char* what;
        std::string fields;
    } cases[] = {
        {"2.3 MB of short lines", manyLines},
        {"one line of 100 KB", "X-Long: " + longLine + "\r\n"},
        {"250 short fields", fieldsOverCount},
    };
    for (const auto& c : cases) {
        std::string answer = RawExchange(
            lab_->port(), "GET /catalogue.xml HTTP/1.1\r\nHost: x\r\n" + c.fields + "\r\n");
        EXPECT_EQ(StatusLine(answer), "HTTP/1.1 431 Request Header Fields Too Large") << c.what;
        EXPECT_LT(answer.size(), 4096u) << c.what;
    }
    // A request with many fields, within the limits, is answered.
    std::string fields;
    for (int i = 0; i < 150; ++i)
        fields += "X-F" + std::to_string(i) + ": " + std::string(100, 'v') + "\r\n";
    std::string answer = RawExchange(lab_->port(), "GET /catalogue.xml HTTP/1.1\r\nHost: x\r\n" +
                                                       fields + "Connection: close\r\n\r\n");
    EXPECT_EQ(StatusLine(answer), "HTTP/1.1 200 OK");
}

TEST_F(LabHostile, RangesAreMergedCappedAndNeverGiveMoreThanTheFile) {
    const std::size_t size = 64 * 1024;
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i)
        bytes += static_cast<char>('a' + i % 26);
    fs::create_directories(dir() / "update" / "files");
    std::ofstream(dir() / "update" / "files" / "data.bin", std::ios::binary) << bytes;
    startLab();

    auto repeat = [](const std::string& range, int n) {
        std::string r = "bytes=" + range;
        for (int i = 1; i < n; ++i)
            r += "," + range;
        return r;
    };
    const struct {
        std::string range;
        int status;
        std::string contentRange;  // "" when the whole file comes
        std::size_t first, length;
    } cases[] = {
        {repeat("0-", 2000), 416, "bytes */65536", 0, 0},
        {repeat("0-", 17), 416, "bytes */65536", 0, 0},
        {repeat("0-", 16), 206, "bytes 0-65535/65536", 0, size},
        {"bytes=0-99,50-199,200-299", 206, "bytes 0-299/65536", 0, 300},
        {"bytes=-100", 206, "bytes 65436-65535/65536", size - 100, 100},
        {"bytes=65000-999999", 206, "bytes 65000-65535/65536", 65000, 536},
        {"bytes=0-9,500-599", 200, "", 0, size},
        {"bytes=70000-", 416, "bytes */65536", 0, 0},
    };
    for (const auto& c : cases) {
        auto res = client_->Get("/update/files/data.bin", {{"Range", c.range}});
        ASSERT_TRUE(res) << c.range.substr(0, 40);
        EXPECT_EQ(res->status, c.status) << c.range.substr(0, 40);
        EXPECT_EQ(res->get_header_value("Content-Range"), c.contentRange) << c.range.substr(0, 40);
        EXPECT_LE(res->body.size(), size) << c.range.substr(0, 40);
        if (c.status != 416) {
            EXPECT_TRUE(res->body == bytes.substr(c.first, c.length))
                << c.range.substr(0, 40) << ": " << res->body.size() << " bytes";
        }
    }
}

}  // namespace
}  // namespace orlavo::labtest
