#pragma once
// What a running check or installation tells whoever shows it. The calls
// come on the thread that runs the work, one at a time.

#include <cstdint>
#include <string>

namespace orlavo::updater {

class UpdateObserver {
public:
    virtual ~UpdateObserver() = default;

    // The installation has begun: STEPS steps are to come (the files to
    // download, the copying, the settings).
    virtual void installStarted(int steps) { (void)steps; }
    // One step is done.
    virtual void stepDone() {}
    // Bytes of FILENAME arrive: RECEIVED of TOTAL (0 when not announced).
    virtual void receiving(const std::string& filename, std::uint64_t received,
                           std::uint64_t total) {
        (void)filename;
        (void)received;
        (void)total;
    }
    // FILENAME is about to be put in place.
    virtual void copying(const std::string& filename) { (void)filename; }
    // A download, a copy or a settings write failed; TEXT says why (for logs).
    virtual void failed(const std::string& filename, const std::string& text) {
        (void)filename;
        (void)text;
    }
};

}  // namespace orlavo::updater
