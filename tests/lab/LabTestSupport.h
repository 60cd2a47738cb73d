#pragma once
// Helpers for the lab's tests: a sandbox folder, documents as the wizard
// writes them, and requests made with the HTTP library's client or with raw
// bytes.

#include <httplib.h>

#include <filesystem>
#include <string>
#include <vector>

namespace orlavo::labtest {

// A fresh folder under the system's temporary folder, removed with its content.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct ManifestProductLine {
    std::string id;
    int qty;
    int zoomTrim = 0;
};

// The fields of a transfer manifest that the tests vary.
struct ManifestFields {
    std::string fileName = "img_01.jpg";
    std::size_t size = 0;
    int photoNumber = 1;
    int photoCount = 1;
    std::string uniqueId = "K3Jd9QpLm2Xz7Ab";
    std::vector<ManifestProductLine> products = {{"101", 2, 0}};
    std::string payType = "1";
    std::string cardNumber = "4111111111111111";
    std::string expireMonth = "12";
    std::string expireYear = "2099";
    std::string securityCode = "737";
    std::string storeId;

    std::string xml() const;
};

// A price request as the wizard builds it.
struct PriceRequestFields {
    std::vector<std::pair<std::string, int>> products = {{"101", 4}};
    std::string voucher;
    std::string promo;
    std::string country = "GB";
    std::string payId = "1";

    std::string xml() const;
};

std::string ReadFile(const std::filesystem::path& path);

// The text between <title> and </title>, or "(none)".
std::string Title(const std::string& html);

httplib::Result Upload(httplib::Client& client, const std::string& fileName,
                       const std::string& content, const std::string& manifest);
httplib::Result PostPrice(httplib::Client& client, const std::string& request);

// A plain loopback TCP connection, for requests sent in pieces.
class RawConnection {
public:
    explicit RawConnection(int port);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;
    bool connected() const { return fd_ >= 0; }
    // True when every byte was sent.
    bool send(const std::string& bytes);
    // True when the server has sent something or closed, without waiting.
    bool readable() const;
    // Everything until the server closes, or nothing came for ten seconds.
    std::string receiveAll();

private:
    int fd_ = -1;
};

// Sends BYTES on a new connection to PORT and gives everything that comes back
// until the server closes (or nothing comes for ten seconds). SENDOK tells
// whether all bytes could be sent.
std::string RawExchange(int port, const std::string& bytes, bool* sendOk = nullptr);

// A multipart body with the wizard's boundary.
std::string MultipartBody(const std::vector<std::pair<std::string, std::string>>& values,
                          const std::string& fileName, const std::string& fileContent);
extern const char kBoundary[];

// Files below DIR (recursively), relative names, sorted.
std::vector<std::string> FilesBelow(const std::filesystem::path& dir);

}  // namespace orlavo::labtest
