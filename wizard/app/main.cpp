// OrlavoW: the ordering wizard.
#include <QApplication>
#include <string>
#include <vector>

#include "common/RegistryRoot.h"
#include "common/StartArguments.h"
#include "platform/FileVersion.h"
#include "platform/RegistryStore.h"
#include "wizard/app/AppEffects.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/app/StepPages.h"
#include "wizard/app/WizardDoor.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(ORLAVO_APP_ID);
    std::vector<std::string> args;
    for (const QString& a : QCoreApplication::arguments())
        args.push_back(a.toStdString());

    // A wizard of this user and profile running already takes the files.
    const orlavo::StartArguments started = orlavo::ParseStartArguments(args);
    const std::string root = orlavo::RegistryRoot(
        started.profile, orlavo::ExecutableBaseName(orlavo::OwnExecutablePath()));
    WizardDoor door(WizardDoor::SocketPath(orlavo::RegistryStore::DefaultPath(), root));
    if (door.enter(started.files) == WizardDoor::Entry::HandedOver)
        return 0;

    DesktopEffects effects;
    CWizardApp wizard(std::move(args), effects, {}, MakeStepPage);
    QObject::connect(&door, &WizardDoor::filesArrived, &door,
                     [&wizard](const std::vector<std::string>& files) { wizard.openFiles(files); });
    wizard.InitInstance();
    return 0;
}
