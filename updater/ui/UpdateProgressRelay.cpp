#include "updater/ui/UpdateProgressRelay.h"

#include <iostream>

#include "common/TerminalText.h"

void UpdateProgressRelay::installStarted(int steps) {
    emit started(steps);
}

void UpdateProgressRelay::stepDone() {
    emit stepFinished();
}

void UpdateProgressRelay::receiving(const std::string& filename, std::uint64_t received,
                                    std::uint64_t total) {
    const int permille =
        total == 0 ? -1 : static_cast<int>(std::min<std::uint64_t>(received, total) * 1000 / total);
    if (filename == lastFile_ && permille == lastPermille_)
        return;
    lastFile_ = filename;
    lastPermille_ = permille;
    emit fileProgress(QString::fromStdString(filename), permille);
}

void UpdateProgressRelay::copying(const std::string& filename) {
    emit copyingFile(QString::fromStdString(filename));
}

void UpdateProgressRelay::failed(const std::string& filename, const std::string& text) {
    // Not for the user's eyes; whoever looks after the installation reads it
    // here. Names and texts come from the server: a control character could
    // rewrite the line or forge another.
    std::cerr << "Halvane: "
              << orlavo::TerminalText((filename.empty() ? std::string() : filename + ": ") + text)
              << std::endl;
}
