#pragma once
// The lab: loads its catalogue and offers, answers every endpoint and applies
// the fault switches. start() binds, run() serves until stop() is called from
// another thread.

#include <filesystem>
#include <memory>
#include <string>

#include "lab/Catalogue.h"
#include "lab/FaultSwitches.h"
#include "lab/LabHttpServer.h"
#include "lab/LabOptions.h"
#include "lab/Offers.h"
#include "lab/PriceCalculator.h"
#include "lab/UploadStore.h"

namespace orlavo::lab {

class LabServer {
public:
    explicit LabServer(LabOptions options);

    // Reads the data folder and binds the port; the empty text on success.
    std::string start();
    int port() const { return port_; }
    void run();
    bool isRunning() const { return http_.is_running(); }
    // Ends run(); has no effect before run() has begun.
    void stop();

private:
    void addRoutes();
    void handleUpload(const httplib::Request& req, httplib::Response& res);
    void handlePrice(const httplib::Request& req, httplib::Response& res);
    void handleAlbumImage(const httplib::Request& req, httplib::Response& res, bool thumbnail);
    void serveFile(const std::filesystem::path& root, std::string_view relative,
                   httplib::Response& res);

    LabOptions options_;
    Catalogue catalogue_;
    Offers offers_;
    std::unique_ptr<PriceCalculator> pricing_;
    std::unique_ptr<UploadStore> store_;
    PhotoCounter photos_;
    LabHttpServer http_;
    int port_ = 0;
};

}  // namespace orlavo::lab
