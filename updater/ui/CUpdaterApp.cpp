#include "updater/ui/CUpdaterApp.h"

#include <QApplication>
#include <QDialog>
#include <QPixmap>

#include "common/RegistryRoot.h"
#include "common/SettingsTable.h"
#include "common/StartArguments.h"
#include "common/VersionText.h"
#include "platform/AccessibleApplication.h"
#include "platform/AccessibleButtons.h"
#include "platform/FileVersion.h"
#include "platform/LanguageBundles.h"
#include "platform/RegistryStore.h"
#include "resources/UpdaterResources.h"
#include "updater/ui/CUpdaterDialog.h"
#include "updater/ui/UpdaterEffects.h"
#include "updater/ui/UpdaterLook.h"

QString WithFinalSlash(QString folder) {
    if (!folder.isEmpty() && !folder.endsWith('/'))
        folder += '/';
    return folder;
}

CUpdaterApp::CUpdaterApp(std::vector<std::string> args, UpdaterEffects& effects,
                         std::string programFolder)
    : args_(std::move(args)),
      effects_(effects),
      programFolder_(programFolder.empty() ? orlavo::OwnExecutableFolder()
                                           : std::move(programFolder)) {}

CUpdaterApp::~CUpdaterApp() = default;

void CUpdaterApp::InitInstance() {
    StartUp();
    CUpdaterDialog dialog(*this);
    StartWizard(dialog.run());
}

void CUpdaterApp::StartUp() {
    // A bundle beside the program replaces every text and picture, else the
    // installation's bundle of the user's language; the updater takes any
    // bundle, whatever its version.
    orlavo::updater::Resources().reset();
    orlavo::LoadProgramBundle(orlavo::updater::Resources(), programFolder_, "HV_Res.rcc",
                              orlavo::UserLanguages(), {}, false);
    if (auto png = orlavo::updater::Resources().file("icons/128.png")) {
        QPixmap pm;
        if (pm.loadFromData(reinterpret_cast<const uchar*>(png->data()),
                            static_cast<uint>(png->size())))
            icon_ = QIcon(pm);
    }
    programVersion_ = orlavo::ProgramVersionText(orlavo::OwnFileVersion().value_or(""));
    orlavo::StartArguments started = orlavo::ParseStartArguments(args_);
    profile_ = std::move(started.profile);
    files_ = std::move(started.files);
    registry_ = std::make_unique<orlavo::RegistryStore>(orlavo::UpdaterRegistryRoot(profile_));
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        ApplyUpdaterLook(*app);
    orlavo::SetAccessibleApplicationName(QString::fromStdString(orlavo::updater::Str(2000)));
    orlavo::InstallAccessibleButtons();
}

bool CUpdaterApp::StartWizard(int dialogResult) {
    if (dialogResult != QDialog::Accepted || !registry_)
        return false;
    const QString folder = WithFinalSlash(
        QString::fromStdString(registry_->getText(orlavo::section::kSettings, "LocalPath")));
    if (folder.isEmpty())
        return false;
    QStringList arguments;
    if (!profile_.empty())
        arguments << QString::fromStdString(profile_);
    // The photos the user opened, as absolute paths: the wizard runs in its own folder.
    for (const std::string& file : files_)
        arguments << QString::fromLocal8Bit(file.data(), qsizetype(file.size()));
    if (effects_.startProgram(folder + "OrlavoW", arguments, folder))
        return true;
    // The user pressed Finish and waits for the wizard: say why it does not come.
    effects_.message(nullptr, QString::fromStdString(orlavo::updater::Str(2004)),
                     QString::fromStdString(orlavo::updater::Str(2007)).arg(folder),
                     QMessageBox::Critical, QMessageBox::Ok);
    return false;
}
