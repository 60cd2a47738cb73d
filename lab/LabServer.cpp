#include "lab/LabServer.h"

#include <chrono>
#include <fstream>
#include <iostream>
#include <system_error>
#include <thread>

#include "lab/ByteRanges.h"
#include "lab/HtmlPages.h"
#include "lab/JpegImage.h"
#include "lab/LabSocketStream.h"
#include "lab/Money.h"
#include "lab/SafePath.h"
#include "platform/PrivateFiles.h"

namespace orlavo::lab {

namespace fs = std::filesystem;

namespace {

constexpr char kXml[] = "application/xml";
constexpr char kHtml[] = "text/html; charset=utf-8";
constexpr std::size_t kThreads = 16;
constexpr std::size_t kKeepAliveRequests = 100;

std::optional<std::string> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

// A form field's value, whether the form came as multipart or url-encoded.
std::optional<std::string> FormField(const httplib::Request& req, const std::string& name) {
    if (req.has_file(name))
        return req.get_file_value(name).content;
    if (req.has_param(name))
        return req.get_param_value(name);
    return std::nullopt;
}

const char* StatusText(int status) {
    switch (status) {
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 413:
            return "Payload Too Large";
        case 414:
            return "URI Too Long";
        default:
            return status >= 500 ? "Server Error" : "Error";
    }
}

void SetContentLength(httplib::Response& res) {
    res.headers.erase("Content-Length");
    res.set_header("Content-Length", std::to_string(res.body.size()));
}

void ApplyRange(const std::string& header, httplib::Response& res) {
    const std::size_t size = res.body.size();
    const RangeChoice choice = ChooseRange(header, size);
    switch (choice.kind) {
        case RangeChoice::Kind::Whole:
            return;
        case RangeChoice::Kind::Part:
            res.status = 206;
            res.set_header("Content-Range", "bytes " + std::to_string(choice.first) + "-" +
                                                std::to_string(choice.first + choice.length - 1) +
                                                "/" + std::to_string(size));
            res.body = res.body.substr(choice.first, choice.length);
            break;
        case RangeChoice::Kind::Unsatisfiable:
            res.status = 416;
            res.set_header("Content-Range", "bytes */" + std::to_string(size));
            res.headers.erase("Content-Type");
            res.set_header("Content-Type", kHtml);
            res.body = HtmlPages::ErrorPage(416, "Range Not Satisfiable");
            break;
    }
    SetContentLength(res);
}

}  // namespace

LabServer::LabServer(LabOptions options)
    : options_(std::move(options)),
      catalogue_(Catalogue::Demo()),
      offers_(Offers::Demo()),
      http_(options_.faults, kThreads, options_.maxConnectionsPerAddress) {}

std::string LabServer::start() {
    std::error_code ec;
    fs::create_directories(options_.dataDir, ec);
    if (ec)
        return "cannot create " + options_.dataDir.string() + ": " + ec.message();
    if (std::string why = EnsurePrivateFolder((options_.dataDir / "orders").string()); !why.empty())
        return "cannot create " + (options_.dataDir / "orders").string() + ": " + why;

    fs::path cataloguePath = options_.dataDir / "catalogue.xml";
    if (fs::exists(cataloguePath, ec)) {
        auto bytes = ReadFile(cataloguePath);
        if (!bytes)
            return "cannot read " + cataloguePath.string();
        std::string error;
        auto c = Catalogue::FromBytes(*bytes, error);
        if (!c)
            return cataloguePath.string() + ": " + error;
        catalogue_ = std::move(*c);
    }
    fs::path offersPath = options_.dataDir / "offers.xml";
    if (fs::exists(offersPath, ec)) {
        auto bytes = ReadFile(offersPath);
        if (!bytes)
            return "cannot read " + offersPath.string();
        std::string error;
        auto o = Offers::FromBytes(*bytes, error);
        if (!o)
            return offersPath.string() + ": " + error;
        offers_ = std::move(*o);
    }
    pricing_ = std::make_unique<PriceCalculator>(catalogue_, offers_);
    store_ = std::make_unique<UploadStore>(options_.dataDir, catalogue_);
    store_->removeLeftovers();

    http_.set_payload_max_length(options_.maxBodyBytes);
    http_.set_keep_alive_max_count(kKeepAliveRequests);
    addRoutes();

    if (options_.port == 0) {
        port_ = http_.bind_to_any_port(options_.host);
        if (port_ <= 0)
            return "cannot listen on " + options_.host;
    } else {
        if (!http_.bind_to_port(options_.host, options_.port))
            return "cannot listen on " + options_.host + ":" + std::to_string(options_.port);
        port_ = options_.port;
    }
    return {};
}

void LabServer::run() {
    http_.serve();
}

void LabServer::stop() {
    http_.stop();
}

void LabServer::addRoutes() {
    const FaultSwitches& faults = options_.faults;

    http_.set_pre_routing_handler([&faults](const httplib::Request&, httplib::Response&) {
        if (faults.delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(faults.delayMs));
        return httplib::Server::HandlerResponse::Unhandled;
    });

    // Errors the library finds itself (a body too large, a broken form) get
    // an answer the client understands on each endpoint.
    http_.set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request& req, httplib::Response& res) {
            if (!res.body.empty())
                return httplib::Server::HandlerResponse::Unhandled;
            std::string why = StatusText(res.status);
            if (req.path == "/upload")
                res.set_content(HtmlPages::AnswerPage("UNABLE_SEND_ORDER",
                                                      "The order could not be read: " + why + "."),
                                kHtml);
            else if (req.path == "/price")
                res.set_content(PriceCalculator::ErrorDocument("Malformed price request: " + why),
                                kXml);
            else
                res.set_content(HtmlPages::ErrorPage(res.status, why), kHtml);
            return httplib::Server::HandlerResponse::Handled;
        }));

    http_.set_post_routing_handler([&faults](const httplib::Request& req, httplib::Response& res) {
        if (req.method == "GET" && res.status == 200 && req.has_header("Range"))
            ApplyRange(req.get_header_value("Range"), res);
        if (faults.status > 0)
            res.status = faults.status;
        if (faults.noContentLength)
            res.headers.erase("Content-Length");
        if (faults.truncateBody) {
            // More than is sent; the connection closes after the body.
            res.headers.erase("Content-Length");
            res.set_header("Content-Length", std::to_string(res.body.size() * 2 + 64));
        }
    });

    http_.Get("/", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(HtmlPages::IndexPage(catalogue_), kHtml);
    });
    http_.Get("/catalogue.xml", [this, &faults](const httplib::Request&, httplib::Response& res) {
        if (faults.htmlCatalogue)
            res.set_content(HtmlPages::HtmlInsteadOfCatalogue(), kHtml);
        else
            res.set_content(catalogue_.bytes(), kXml);
    });
    http_.Post("/price", [this](const httplib::Request& req, httplib::Response& res) {
        handlePrice(req, res);
    });
    http_.Post("/upload", [this](const httplib::Request& req, httplib::Response& res) {
        handleUpload(req, res);
    });
    http_.Get("/album", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(HtmlPages::AlbumPage(store_->orders(), catalogue_), kHtml);
    });
    http_.Get(R"(/album/([^/]+)/(\d+)/thumb)",
              [this](const httplib::Request& req, httplib::Response& res) {
                  handleAlbumImage(req, res, true);
              });
    http_.Get(R"(/album/([^/]+)/(\d+)/photo)",
              [this](const httplib::Request& req, httplib::Response& res) {
                  handleAlbumImage(req, res, false);
              });
    http_.Get("/help", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(HtmlPages::HelpPage(catalogue_), kHtml);
    });
    http_.Get("/terms", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(HtmlPages::TermsPage(catalogue_), kHtml);
    });
    http_.Get("/update/auto_update.xml", [this](const httplib::Request&, httplib::Response& res) {
        serveFile(options_.dataDir / "update", "auto_update.xml", res);
    });
    http_.Get(R"(/update/files/(.+))", [this](const httplib::Request& req, httplib::Response& res) {
        serveFile(options_.dataDir / "update" / "files", req.matches[1].str(), res);
    });
}

void LabServer::handlePrice(const httplib::Request& req, httplib::Response& res) {
    auto request = FormField(req, "PriceRequest");
    std::string answer =
        request ? pricing_->answer(*request)
                : PriceCalculator::ErrorDocument("Malformed price request: no PriceRequest field");
    res.set_content(answer, kXml);
}

void LabServer::handleUpload(const httplib::Request& req, httplib::Response& res) {
    const int received = photos_.count();
    if (received == options_.faults.dropUpload) {
        std::cerr << "orlavo-lab: photo " << received << " dropped on request\n";
        LabSocketStream::DropThisConnection();
        return;
    }
    const bool refuse = received == options_.faults.refusePhoto;
    if (refuse) {
        std::cerr << "orlavo-lab: photo " << photos_.received() << " refused on request\n";
        res.set_content(HtmlPages::AnswerPage("UNABLE_SEND_ORDER",
                                              "The order could not be taken at this time."),
                        kHtml);
        return;
    }
    if (!req.has_file("file") || !req.has_file("transfermanifest") ||
        req.get_file_value("file").filename.empty()) {
        std::cerr << "orlavo-lab: upload without the file or the manifest\n";
        res.set_content(
            HtmlPages::AnswerPage("UNABLE_SEND_ORDER", "The photo or its manifest is missing."),
            kHtml);
        return;
    }
    const httplib::MultipartFormData file = req.get_file_value("file");
    const std::string manifest = req.get_file_value("transfermanifest").content;
    UploadOutcome outcome = store_->receive(file.filename, file.content, manifest);
    switch (outcome.verdict) {
        case UploadVerdict::Done:
            std::cerr << "orlavo-lab: order " << outcome.orderId << ": " << outcome.received
                      << " of " << outcome.expected << " photos"
                      << (outcome.orderComplete ? ", complete" : "") << "\n";
            res.set_content(HtmlPages::AnswerPage("DONE", "The photo has arrived."), kHtml);
            break;
        case UploadVerdict::InvalidCard:
            std::cerr << "orlavo-lab: card refused: " << outcome.reason << "\n";
            res.set_content(
                HtmlPages::AnswerPage("INVALID_CREDIT_CARD", "The card was not accepted."), kHtml);
            break;
        case UploadVerdict::Refused:
            std::cerr << "orlavo-lab: photo refused: " << outcome.reason << "\n";
            res.set_content(
                HtmlPages::AnswerPage("UNABLE_SEND_ORDER",
                                      "The order could not be taken: " + outcome.reason + "."),
                kHtml);
            break;
    }
}

void LabServer::handleAlbumImage(const httplib::Request& req, httplib::Response& res,
                                 bool thumbnail) {
    auto order = store_->order(req.matches[1].str());
    auto number = ParseCount(req.matches[2].str(), 100000);
    if (order && number) {
        for (const StoredPhoto& photo : order->photos) {
            if (photo.number != *number)
                continue;
            auto bytes = ReadFile(photo.file);
            if (!bytes)
                break;
            if (!thumbnail) {
                res.set_content(*bytes, "image/jpeg");
                return;
            }
            if (auto thumb = MakeThumbnail(*bytes, 200)) {
                res.set_content(*thumb, "image/jpeg");
                return;
            }
            break;
        }
    }
    res.status = 404;
}

void LabServer::serveFile(const fs::path& root, std::string_view relative, httplib::Response& res) {
    auto path = ResolveUnder(root, relative);
    std::error_code ec;
    if (!path || !fs::is_regular_file(*path, ec)) {
        res.status = 404;
        return;
    }
    auto bytes = ReadFile(*path);
    if (!bytes) {
        res.status = 404;
        return;
    }
    bool xml = path->extension() == ".xml";
    res.set_content(*bytes, xml ? kXml : "application/octet-stream");
}

}  // namespace orlavo::lab
