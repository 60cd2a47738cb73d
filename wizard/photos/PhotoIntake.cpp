#include "wizard/photos/PhotoIntake.h"

#include <unistd.h>

#include <filesystem>
#include <unordered_set>

#include "wizard/photos/PhotoFolder.h"

namespace orlavo::wizard {

namespace {

constexpr int kStrNotPhotos = 3620;
constexpr int kStrUnreadable = 3621;
constexpr int kStrOverLimit = 3622;
constexpr int kStrRemote = 3623;
constexpr int kStrMore = 3627;

std::string Replace(std::string text, const std::string& mark, const std::string& value) {
    const std::size_t at = text.find(mark);
    if (at != std::string::npos)
        text.replace(at, mark.size(), value);
    return text;
}

}  // namespace

IntakeList SortIntake(const std::vector<std::string>& paths) {
    namespace fs = std::filesystem;
    IntakeList list;
    std::unordered_set<std::string> seen;
    auto photo = [&](const std::string& p) {
        if (seen.insert(p).second)
            list.photos.push_back(p);
    };
    for (const std::string& path : paths) {
        std::error_code ec;
        const fs::file_status status = fs::status(fs::path(path), ec);
        if (fs::is_directory(status)) {
            for (const PhotoEntry& e : ListPhotos(path))
                photo(e.path);
        } else if (!fs::is_regular_file(status) || ::access(path.c_str(), R_OK) != 0) {
            list.unreadable.push_back(path);
        } else if (TakesPhotoFile(path)) {
            photo(path);
        } else {
            list.notPhotos.push_back(path);
        }
    }
    return list;
}

std::string IntakeMessage(const IntakeOutcome& outcome, std::size_t maxPhotos,
                          const std::function<std::string(int)>& text) {
    std::string message;
    auto paragraph = [&](const std::string& p) {
        if (!message.empty())
            message += "\n\n";
        message += p;
    };
    auto names = [&](int heading, const std::vector<std::string>& paths) {
        if (paths.empty())
            return;
        std::string p = text(heading);
        for (std::size_t i = 0; i < paths.size() && i < kNamesShown; ++i)
            p += "\n" + paths[i];
        if (paths.size() > kNamesShown)
            p += "\n" + Replace(text(kStrMore), "%1", std::to_string(paths.size() - kNamesShown));
        paragraph(p);
    };
    names(kStrNotPhotos, outcome.notPhotos);
    names(kStrUnreadable, outcome.unreadable);
    if (outcome.overLimit > 0)
        paragraph(Replace(Replace(text(kStrOverLimit), "%1", std::to_string(maxPhotos)), "%2",
                          std::to_string(outcome.overLimit)));
    if (outcome.remote)
        paragraph(text(kStrRemote));
    return message;
}

}  // namespace orlavo::wizard
