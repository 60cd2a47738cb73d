// orlavo-lab: the reference laboratory server, or the sample photo maker.

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "lab/LabOptions.h"
#include "lab/LabServer.h"
#include "lab/SamplePhotoMaker.h"
#include "lab/UpdateManifestMaker.h"

using orlavo::lab::LabOptions;

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto options = LabOptions::Parse(args, error);
    if (!options) {
        std::cerr << "orlavo-lab: " << error << "\nTry orlavo-lab --help.\n";
        return 2;
    }
    if (options->mode == LabOptions::Mode::Help) {
        std::cout << LabOptions::HelpText();
        return 0;
    }
    if (options->mode == LabOptions::Mode::MakePhotos) {
        std::string result =
            orlavo::lab::SamplePhotoMaker::WritePhotos(options->photoDir, options->photoCount);
        if (!result.empty()) {
            std::cerr << "orlavo-lab: " << result << "\n";
            return 1;
        }
        std::cout << "wrote " << options->photoCount << " photos to " << options->photoDir.string()
                  << std::endl;
        return 0;
    }

    if (options->mode == LabOptions::Mode::MakeUpdate) {
        orlavo::lab::UpdateManifestOptions manifest{options->baseUrl, options->registryVersion,
                                                    options->registryValues};
        std::size_t count = 0;
        std::string result = orlavo::lab::WriteUpdateManifest(options->updateDir, manifest, count);
        if (!result.empty()) {
            std::cerr << "orlavo-lab: " << result << "\n";
            return 1;
        }
        std::cout << "listed " << count << " files in "
                  << (options->updateDir / "update" / "auto_update.xml").string() << std::endl;
        return 0;
    }

    // SIGINT and SIGTERM are taken by one thread that stops the server; every
    // other thread, the server's among them, has them blocked.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    orlavo::lab::LabServer server(*options);
    error = server.start();
    if (!error.empty()) {
        std::cerr << "orlavo-lab: " << error << "\n";
        return 1;
    }
    std::atomic<bool> finished{false};
    std::thread signalThread([&server, &stopSignals, &finished] {
        int sig = 0;
        sigwait(&stopSignals, &sig);
        // A stop asked for before the server has begun to listen would be
        // lost: wait for it to run, then stop it once.
        while (!finished) {
            if (server.isRunning()) {
                server.stop();
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    std::string host =
        options->host.find(':') != std::string::npos ? "[" + options->host + "]" : options->host;
    std::cout << "orlavo-lab listening on http://" << host << ":" << server.port() << "/"
              << std::endl;
    server.run();
    finished = true;
    // Wakes the signal thread when the server ended on its own.
    pthread_kill(signalThread.native_handle(), SIGTERM);
    signalThread.join();
    std::cerr << "orlavo-lab: stopped\n";
    return 0;
}
