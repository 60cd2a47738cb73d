// Runs the updater's check and installation without a window, the way the
// window runs them, and says on standard output what happens, one line at a
// time: "check <outcome> <count>" (outcome: failed, cancelled, up-to-date,
// offered or managed), "copy <name>", "failed <name>: <why>",
// "install <outcome>", "in place <n> of <due>". Tests run it to stop it
// half-way or as another user; with --cancel-at-copy N it cancels itself
// just before the N-th file is put in place, and says "cancel".
//   updater_install_runner INSTALL_FOLDER UPDATE_URL REGISTRY_ROOT REGISTRY_PATH TEMP_ROOT
//                          [--cancel-at-copy N]
// Exit status: 0 installed, 1 installation failed, 2 the check failed or
// found nothing to do, 3 bad usage.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "updater/UpdateSession.h"

namespace {

using namespace orlavo::updater;

class Printer : public UpdateObserver {
public:
    UpdateSession* session = nullptr;
    int cancelAt = 0;
    int copies = 0;

    void copying(const std::string& name) override {
        if (++copies == cancelAt) {
            Say("cancel");
            session->cancel();
        }
        Say("copy " + name);
    }
    void failed(const std::string& name, const std::string& text) override {
        Say("failed " + name + ": " + text);
    }
    static void Say(const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
};

const char* Name(CheckOutcome o) {
    switch (o) {
        case CheckOutcome::Failed:
            return "failed";
        case CheckOutcome::Cancelled:
            return "cancelled";
        case CheckOutcome::UpToDate:
            return "up-to-date";
        case CheckOutcome::Offered:
            return "offered";
        case CheckOutcome::Managed:
            return "managed";
        case CheckOutcome::TooSlow:
            return "too-slow";
        case CheckOutcome::Refused:
            return "refused";
    }
    return "?";
}

const char* Name(InstallOutcome o) {
    switch (o) {
        case InstallOutcome::Done:
            return "done";
        case InstallOutcome::Failed:
            return "failed";
        case InstallOutcome::Cancelled:
            return "cancelled";
        case InstallOutcome::TooSlow:
            return "too-slow";
        case InstallOutcome::Refused:
            return "refused";
    }
    return "?";
}

}  // namespace

int main(int argc, char** argv) {
    const bool cancelling = argc == 8 && std::string(argv[6]) == "--cancel-at-copy";
    if (argc != 6 && !cancelling) {
        std::fprintf(stderr,
                     "usage: %s INSTALL_FOLDER UPDATE_URL REGISTRY_ROOT REGISTRY_PATH "
                     "TEMP_ROOT [--cancel-at-copy N]\n",
                     argv[0]);
        return 3;
    }
    UpdateSettings settings;
    settings.installFolder = argv[1];
    settings.updateUrl = argv[2];
    settings.registryRoot = argv[3];
    settings.registryPath = argv[4];
    settings.tempRoot = argv[5];
    UpdateSession session(settings);
    Printer printer;
    printer.session = &session;
    printer.cancelAt = cancelling ? std::atoi(argv[7]) : 0;
    const CheckResult check = session.check(printer);
    Printer::Say(std::string("check ") + Name(check.outcome) + " " + std::to_string(check.count));
    // A shared installation's settings are still installed, as the window does.
    const bool due = check.outcome == CheckOutcome::Offered ||
                     (check.outcome == CheckOutcome::Managed && check.count > 0);
    if (!due)
        return 2;
    const InstallResult result = session.install(printer);
    const InstallOutcome outcome = result.outcome;
    Printer::Say(std::string("install ") + Name(outcome));
    Printer::Say("in place " + std::to_string(result.filesInPlace) + " of " +
                 std::to_string(result.filesDue));
    return outcome == InstallOutcome::Done ? 0 : 1;
}
