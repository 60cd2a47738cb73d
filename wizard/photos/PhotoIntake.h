#pragma once
// Photos that reach step 1 from outside: files the wizard was opened with
// (or handed by a second start), and files and folders dropped on it. A
// folder gives its photos, not its subfolders'; a named file is taken when
// Orlavo takes it as a photo (TakesPhotoFile), else it is named in the
// one message that follows, as is one that cannot be read.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace orlavo::wizard {

struct IntakeList {
    std::vector<std::string> photos;      // to make, in the order given, each once
    std::vector<std::string> notPhotos;   // files that are no photos Orlavo takes
    std::vector<std::string> unreadable;  // gone, or not to be opened
};

IntakeList SortIntake(const std::vector<std::string>& paths);

// What the user is told once the photos are in.
struct IntakeOutcome {
    std::vector<std::string> notPhotos;
    std::vector<std::string> unreadable;  // including photos whose thumbnail failed
    std::size_t overLimit = 0;            // photos left out: the order was full
    bool remote = false;                  // addresses from the web were dropped
};

// Names shown in the message at most, the rest counted.
inline constexpr std::size_t kNamesShown = 10;

// The message, one paragraph per kind, empty when there is nothing to say.
// TEXT gives a string by its number; names are the paths as given.
std::string IntakeMessage(const IntakeOutcome& outcome, std::size_t maxPhotos,
                          const std::function<std::string(int)>& text);

}  // namespace orlavo::wizard
