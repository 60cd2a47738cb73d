#pragma once
// The updater's application object: the profile argument and the settings
// root it selects, the resources (HV_Res.rcc beside the program when
// present), the updater window, and the start of the wizard once the window
// has ended with OK.

#include <QIcon>
#include <QString>
#include <memory>
#include <string>
#include <vector>

namespace orlavo {
class RegistryStore;
}
class UpdaterEffects;

class CUpdaterApp {
public:
    // ARGS as on the command line (ARGS[0] the program). PROGRAM_FOLDER, with
    // a final "/", is where HV_Res.rcc is looked for; the executable's folder
    // when empty.
    CUpdaterApp(std::vector<std::string> args, UpdaterEffects& effects,
                std::string programFolder = {});
    ~CUpdaterApp();
    CUpdaterApp(const CUpdaterApp&) = delete;
    CUpdaterApp& operator=(const CUpdaterApp&) = delete;

    // The whole program: StartUp, the window modally, then StartWizard.
    void InitInstance();

    // Resources, profile, settings root and look; the window comes after.
    void StartUp();
    // With the window's RESULT: on OK, and only when the settings name an
    // installation folder, starts the wizard there with the profile argument
    // and the files.
    // True when it was started; when it cannot be, says so.
    bool StartWizard(int dialogResult);

    const std::string& profile() const { return profile_; }
    // The files it was started with, passed on to the wizard.
    const std::vector<std::string>& files() const { return files_; }
    orlavo::RegistryStore& registry() { return *registry_; }
    UpdaterEffects& effects() { return effects_; }
    const QIcon& programIcon() const { return icon_; }
    // The updater's own version, "2.0.44.3".
    const std::string& programVersion() const { return programVersion_; }

private:
    std::vector<std::string> args_;
    UpdaterEffects& effects_;
    std::string programFolder_;
    std::string profile_;
    std::vector<std::string> files_;
    std::string programVersion_;
    std::unique_ptr<orlavo::RegistryStore> registry_;
    QIcon icon_;
};

// The installation folder as a path that ends in "/", empty when FOLDER is.
QString WithFinalSlash(QString folder);
