#pragma once
// The file that goes to the lab for one photo of one send. A photo with
// nothing to be done goes as it is on disk; any other (converted to JPEG,
// turned, cropped, its location removed) is written for this send into the
// send's private folder, just before its request, and removed once the lab
// has it.
//
// SendFolder: one send's folder, "send-XXXXXXXXXXXX" in a parent folder of
// the user's own (0700 both), made on first need and removed with all it
// holds when the send is over, however it ends. A lock file beside it,
// "send-XXXXXXXXXXXX.lock", is held while the send runs, so a later start
// (SweepSendFolders) can tell the folder of a dead process from that of a
// live one and removes only the former.
//
// One SendFolder is used by one thread at a time (the upload worker).

#include <cstdint>
#include <memory>
#include <string>

#include "platform/PrivateFiles.h"
#include "wizard/transmission/JpegTransform.h"

namespace orlavo::transmission {

// Where sends keep their folders: "sending" in the diagnostics folder.
std::string DefaultSendFolderParent();

// Removes the send folders in PARENT whose send has ended (its process gone),
// and their lock files; folders of a running send stay. The number removed.
int SweepSendFolders(const std::string& parent);

class SendFolder {
public:
    // PARENT empty: DefaultSendFolderParent().
    explicit SendFolder(std::string parent = {});
    ~SendFolder();
    SendFolder(const SendFolder&) = delete;
    SendFolder& operator=(const SendFolder&) = delete;

    // Makes the folder if it is not made yet: the empty text, or why not.
    std::string ensure();
    // The folder's path, ending without "/"; empty until made.
    const std::string& path() const { return path_; }
    // Removes the folder and everything in it, and lets the lock go.
    void remove();

private:
    std::string parent_;
    std::string path_;
    std::unique_ptr<FileLock> lock_;
};

struct PreparedPhoto {
    // Empty when it went wrong: then PROBLEM says why, for the user.
    std::string path;
    std::uint64_t size = 0;
    // Written for this send (and removed by Release).
    bool written = false;
    std::string problem;

    bool ok() const { return !path.empty(); }
};

// The file to send for the photo at SOURCE with WORK done to it: SOURCE
// itself at its size now when there is nothing to do (or only a location to
// remove and it has none), else a JPEG written into FOLDER as
// "photo-NUMBER.jpg" (0600): converted (JpegConversion), turned and cropped
// losslessly (JpegTransform), and without its location (JpegLocation, which
// copies the picture's data byte for byte). The problem names the photo.
PreparedPhoto PreparePhoto(SendFolder& folder, const std::string& source, const PhotoWork& work,
                           int number);

// Removes the file of PREPARED when it was written for the send.
void Release(const PreparedPhoto& prepared);

}  // namespace orlavo::transmission
