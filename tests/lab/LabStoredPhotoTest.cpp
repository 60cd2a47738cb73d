// What the lab keeps and shows of uploaded photos when the photos are hostile
// or arrive at the same time as other requests.

#include <fcntl.h>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <thread>

#include "lab/JpegImage.h"
#include "lab/SamplePhotoMaker.h"
#include "tests/lab/LabFixture.h"

namespace orlavo::labtest {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string SmallJpeg(bool progressive = false) {
    lab::RgbImage img = lab::SamplePhotoMaker::DrawLandscape(64, 48, 7);
    tjhandle h = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    int rc = tjCompress2(h, img.pixels.data(), img.width, 0, img.height, TJPF_RGB, &out, &size,
                         TJSAMP_420, 85, progressive ? TJFLAG_PROGRESSIVE : 0);
    std::string jpeg = rc == 0 && out ? std::string(reinterpret_cast<char*>(out), size) : "";
    tjFree(out);
    tjDestroy(h);
    return jpeg;
}

// The most memory the process PID has held, in KiB; 0 when unknown.
long PeakKiB(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

// JPEG with an EXIF block, placed first, whose first IFD lies at OFFSET.
std::string WithExifOffset(std::uint32_t offset) {
    std::string tiff = "II*";
    tiff += '\0';
    for (int i = 0; i < 4; ++i)
        tiff += static_cast<char>((offset >> (8 * i)) & 0xFF);
    tiff += std::string(16, '\0');
    std::string payload = std::string("Exif\0\0", 6) + tiff;
    std::size_t len = payload.size() + 2;
    std::string segment = "\xFF\xE1";
    segment += static_cast<char>(len >> 8);
    segment += static_cast<char>(len & 0xFF);
    std::string jpeg = SmallJpeg();
    return jpeg.substr(0, 2) + segment + payload + jpeg.substr(2);
}

// JPEG whose frame header declares WIDTH x HEIGHT; its data is for far fewer.
std::string Declaring(int width, int height, bool progressive) {
    std::string jpeg = SmallJpeg(progressive);
    for (std::size_t i = 2; i + 9 < jpeg.size();) {
        auto marker = static_cast<unsigned char>(jpeg[i + 1]);
        std::size_t len = (static_cast<unsigned char>(jpeg[i + 2]) << 8) |
                          static_cast<unsigned char>(jpeg[i + 3]);
        if (marker == 0xC0 || marker == 0xC2) {
            jpeg[i + 5] = static_cast<char>(height >> 8);
            jpeg[i + 6] = static_cast<char>(height & 0xFF);
            jpeg[i + 7] = static_cast<char>(width >> 8);
            jpeg[i + 8] = static_cast<char>(width & 0xFF);
            return jpeg;
        }
        i += 2 + len;
    }
    return {};
}

class LabStoredPhotos : public LabFixture {
protected:
    std::string send(httplib::Client& client, ManifestFields m, const std::string& content,
                     const std::string& partName = "p.jpg") {
        m.size = content.size();
        m.fileName = partName;
        auto res = Upload(client, partName, content, m.xml());
        return res ? Title(res->body) : "(no answer)";
    }
};

TEST_F(LabStoredPhotos, ThumbnailsOfPhotosWithWildExifOffsetsAreServed) {
    startLab();
    const std::uint32_t offsets[] = {0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFF4, 0x80000000, 30};
    ManifestFields m;
    m.photoCount = static_cast<int>(std::size(offsets));
    for (std::size_t i = 0; i < std::size(offsets); ++i) {
        m.photoNumber = static_cast<int>(i + 1);
        ASSERT_EQ(send(*client_, m, WithExifOffset(offsets[i])), "DONE");
    }
    for (std::size_t i = 0; i < std::size(offsets); ++i) {
        auto res = client_->Get("/album/" + m.uniqueId + "/" + std::to_string(i + 1) + "/thumb");
        ASSERT_TRUE(res) << "offset " << offsets[i] << ": " << httplib::to_string(res.error());
        EXPECT_EQ(res->status, 200) << "offset " << offsets[i];
        EXPECT_TRUE(lab::DecodeJpeg(res->body, 1)) << "offset " << offsets[i];
    }
    ASSERT_TRUE(client_->Get("/album"));
}

TEST_F(LabStoredPhotos, PicturesDeclaringOverOneHundredMegapixelsAreNotDecoded) {
    startLab();
    // Small files all; a progressive one is decoded into a buffer for the
    // whole declared picture.
    const struct {
        int width, height;
        bool progressive;
    } cases[] = {
        {10001, 10000, true},
        {30000, 30000, false},
        {65535, 65535, false},
    };
    ManifestFields m;
    m.photoCount = static_cast<int>(std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        m.photoNumber = static_cast<int>(i + 1);
        std::string jpeg = Declaring(cases[i].width, cases[i].height, cases[i].progressive);
        ASSERT_FALSE(jpeg.empty());
        ASSERT_LT(jpeg.size(), 10000u);
        ASSERT_EQ(send(*client_, m, jpeg), "DONE");
    }
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string what =
            std::to_string(cases[i].width) + "x" + std::to_string(cases[i].height);
        const std::string base = "/album/" + m.uniqueId + "/" + std::to_string(i + 1);
        auto res = client_->Get(base + "/thumb");
        ASSERT_TRUE(res) << what;
        EXPECT_EQ(res->status, 404) << what;
        // The photo itself is still there for whoever asks for it.
        EXPECT_EQ(client_->Get(base + "/photo")->status, 200) << what;
    }
    // Decoding the first alone would have taken some 300 MB.
    const long peak = PeakKiB(lab_->pid());
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, 150 * 1024);
}

TEST_F(LabStoredPhotos, StoredOrdersAreReadableByTheLabsUserOnly) {
    // Whatever the umask the lab was started with.
    const mode_t old = ::umask(0);
    startLab();
    ::umask(old);
    ManifestFields m;
    ASSERT_EQ(send(*client_, m, SmallJpeg()), "DONE");
    auto mode = [](const fs::path& p) {
        struct stat st {};
        return ::stat(p.c_str(), &st) == 0 ? (st.st_mode & 07777) : 07777u;
    };
    EXPECT_EQ(mode(ordersDir()), 0700u);
    EXPECT_EQ(mode(ordersDir() / m.uniqueId), 0700u);
    const auto files = FilesBelow(ordersDir());
    ASSERT_EQ(files.size(), 2u);
    for (const std::string& f : files)
        EXPECT_EQ(mode(ordersDir() / f), 0600u) << f;
}

// A file descriptor closed when the test leaves, however it leaves.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

TEST_F(LabStoredPhotos, UploadsDoNotWaitForTheAlbumToReadManifests) {
    // An order whose manifest does not end until the test lets it (a named
    // pipe): the album reading it stands for one reading a huge manifest or
    // a stalled disk.
    ManifestFields blocked;
    blocked.uniqueId = "SLOWMANIFEST001";
    const fs::path folder = ordersDir() / blocked.uniqueId;
    fs::create_directories(folder);
    std::ofstream(folder / "photo-001-a.jpg", std::ios::binary) << SmallJpeg();
    ASSERT_EQ(::mkfifo((folder / "photo-001.xml").c_str(), 0600), 0);
    startLab();

    auto albumClient = newClient();
    albumClient->set_read_timeout(120, 0);
    auto album = std::async(std::launch::async, [&] { return albumClient->Get("/album"); });
    // The album is reading once the pipe has a reader.
    Fd pipe;
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (pipe.fd < 0 && std::chrono::steady_clock::now() < end) {
        pipe.fd = ::open((folder / "photo-001.xml").c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (pipe.fd < 0)
            std::this_thread::sleep_for(20ms);
    }
    ASSERT_GE(pipe.fd, 0) << "the album never read the manifest";

    ManifestFields other;
    other.uniqueId = "QUICKORDER00001";
    EXPECT_EQ(send(*client_, other, SmallJpeg()), "DONE");
    EXPECT_EQ(album.wait_for(0s), std::future_status::timeout);

    ManifestFields whole = blocked;
    whole.fileName = "a.jpg";
    whole.size = SmallJpeg().size();
    const std::string xml = whole.xml();
    ASSERT_EQ(::write(pipe.fd, xml.data(), xml.size()), static_cast<ssize_t>(xml.size()));
    ::close(pipe.fd);
    pipe.fd = -1;
    auto res = album.get();
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_NE(res->body.find(blocked.uniqueId), std::string::npos);
}

TEST_F(LabStoredPhotos, SamePhotoSentFromSeveralConnectionsAtOnceIsKeptOnceWhole) {
    startLab();
    constexpr int kSenders = 4;
    constexpr int kRounds = 25;
    std::vector<std::string> photos;
    for (int s = 0; s < kSenders; ++s)
        photos.push_back(lab::SamplePhotoMaker::MakePhoto(s));
    std::vector<std::unique_ptr<httplib::Client>> clients;
    for (int s = 0; s < kSenders; ++s)
        clients.push_back(newClient());

    for (int round = 0; round < kRounds; ++round) {
        ManifestFields m;
        m.uniqueId = "RACEORDER" + std::to_string(100000 + round);
        std::atomic<int> ready{0};
        std::vector<std::string> titles(kSenders);
        std::vector<std::thread> senders;
        for (int s = 0; s < kSenders; ++s) {
            senders.emplace_back([&, s] {
                ++ready;
                while (ready < kSenders)
                    std::this_thread::yield();
                titles[s] = send(*clients[s], m, photos[s], "sender" + std::to_string(s) + ".jpg");
            });
        }
        for (auto& t : senders)
            t.join();
        for (const std::string& t : titles)
            ASSERT_EQ(t, "DONE") << m.uniqueId;

        // One copy of the photo, with the manifest that came with it.
        const auto files = FilesBelow(ordersDir() / m.uniqueId);
        ASSERT_EQ(files.size(), 2u) << m.uniqueId << ": " << ::testing::PrintToString(files);
        const std::string photoName = files[0];
        ASSERT_EQ(photoName.rfind("photo-001-sender", 0), 0u) << photoName;
        const int sender = photoName[16] - '0';
        ASSERT_GE(sender, 0);
        ASSERT_LT(sender, kSenders);
        EXPECT_EQ(ReadFile(ordersDir() / m.uniqueId / photoName), photos[sender]) << photoName;
        EXPECT_NE(ReadFile(ordersDir() / m.uniqueId / "photo-001.xml")
                      .find("filename=\"sender" + std::to_string(sender) + ".jpg\""),
                  std::string::npos)
            << m.uniqueId << ": the manifest is another sender's";
    }
}

}  // namespace
}  // namespace orlavo::labtest
