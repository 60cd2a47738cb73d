#include "tests/lab/LabTestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace orlavo::labtest {

namespace fs = std::filesystem;

const char kBoundary[] = "---------------------------7d22db37402707";

Sandbox::Sandbox() {
    std::string templ = (fs::temp_directory_path() / "orlavo-lab-test-XXXXXX").string();
    if (char* p = ::mkdtemp(templ.data()))
        path_ = p;
}

Sandbox::~Sandbox() {
    std::error_code ec;
    if (!path_.empty())
        fs::remove_all(path_, ec);
}

std::string ManifestFields::xml() const {
    std::string x = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><transfermanifest>";
    x += "<file contenttype=\"image/pjpeg\" filename=\"" + fileName + "\" size=\"" +
         std::to_string(size) + "\" currentnumphoto=\"" + std::to_string(photoNumber) + "\">";
    for (const auto& p : products)
        x += "<product id=\"" + p.id + "\" qty=\"" + std::to_string(p.qty) + "\" zoomtrim=\"" +
             std::to_string(p.zoomTrim) + "\"/>";
    x += "</file>";
    x += "<user firstname=\"Ann\" lastname=\"Tegg\" address1=\"4 Mill Lane\" address2=\"\" "
         "city=\"York\" country=\"GB\" email=\"ann@example.org\" phone=\"01632 960999\" "
         "state=\"\" zip=\"YO1 7HZ\" customernumber=\"\"/>";
    x += "<shipping storeid=\"" + storeId +
         "\" name=\"Ann Tegg\" address1=\"4 Mill Lane\" "
         "address2=\"\" city=\"York\" country=\"GB\" phone=\"01632 960999\" state=\"\" zip=\"YO1 "
         "7HZ\"/>";
    x += "<payment cctype=\"" + payType + "\" ccnumber=\"" + cardNumber +
         "\" ccstartyear=\"\" ccstartmonth=\"\" ccexpireyear=\"" + expireYear +
         "\" ccexpiremonth=\"" + expireMonth +
         "\" nameoncard=\"Ann Tegg\" issueno=\"\" securitycode=\"" + securityCode +
         "\" vouchercode=\"\" promocode=\"\"/>";
    x += "<extra affiliateid=\"4711\" qrtversion=\"2.0.44.3\" uniqueid=\"" + uniqueId +
         "\" numphotos=\"" + std::to_string(photoCount) + "\"/></transfermanifest>";
    return x;
}

std::string PriceRequestFields::xml() const {
    std::string x =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><PriceRequest>"
        "<extra affiliateid=\"4711\" qrtversion=\"2.0.44.3\"/><codes><vouchercode>" +
        voucher + "</vouchercode><promocode>" + promo + "</promocode></codes><products>";
    for (const auto& [id, qty] : products)
        x += "<product id=\"" + id + "\" qty=\"" + std::to_string(qty) + "\"/>";
    x += "</products><shipping id=\"" + country + "\"/><payment payid=\"" + payId +
         "\"/></PriceRequest>";
    return x;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Title(const std::string& html) {
    auto b = html.find("<title>");
    auto e = html.find("</title>");
    if (b == std::string::npos || e == std::string::npos || e < b)
        return "(none)";
    return html.substr(b + 7, e - b - 7);
}

httplib::Result Upload(httplib::Client& client, const std::string& fileName,
                       const std::string& content, const std::string& manifest) {
    httplib::MultipartFormDataItems items = {
        {"file", content, fileName, "image/pjpeg"},
        {"transfermanifest", manifest, "", ""},
    };
    return client.Post("/upload", items);
}

httplib::Result PostPrice(httplib::Client& client, const std::string& request) {
    httplib::MultipartFormDataItems items = {{"PriceRequest", request, "", ""}};
    return client.Post("/price", items);
}

RawConnection::RawConnection(int port) {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0)
        return;
    timeval tv{10, 0};
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(s);
        return;
    }
    fd_ = s;
}

RawConnection::~RawConnection() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool RawConnection::send(const std::string& bytes) {
    std::size_t sent = 0;
    while (fd_ >= 0 && sent < bytes.size()) {
        ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<std::size_t>(n);
    }
    return sent == bytes.size();
}

bool RawConnection::readable() const {
    pollfd p{fd_, POLLIN, 0};
    return fd_ >= 0 && ::poll(&p, 1, 0) > 0;
}

std::string RawConnection::receiveAll() {
    std::string answer;
    char buf[4096];
    while (fd_ >= 0) {
        ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        answer.append(buf, static_cast<std::size_t>(n));
    }
    return answer;
}

std::string RawExchange(int port, const std::string& bytes, bool* sendOk) {
    RawConnection c(port);
    bool ok = c.send(bytes);
    if (sendOk)
        *sendOk = ok;
    return c.receiveAll();
}

std::string MultipartBody(const std::vector<std::pair<std::string, std::string>>& values,
                          const std::string& fileName, const std::string& fileContent) {
    std::string delim = std::string("--") + kBoundary + "\r\n";
    std::string body;
    if (!fileName.empty()) {
        body += delim + "Content-Disposition: form-data; name=\"file\"; filename=\"" + fileName +
                "\"\r\nContent-Type: image/pjpeg\r\n\r\n" + fileContent + "\r\n";
    }
    for (const auto& [name, value] : values)
        body += delim + "Content-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value +
                "\r\n";
    body += std::string("--") + kBoundary + "--\r\n";
    return body;
}

std::vector<std::string> FilesBelow(const fs::path& dir) {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file())
            out.push_back(fs::relative(it->path(), dir).generic_string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace orlavo::labtest
