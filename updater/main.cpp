// Halvane: the updater. Brings the wizard's installation up to date, then
// starts the wizard.
#include <QApplication>
#include <string>
#include <vector>

#include "updater/ui/CUpdaterApp.h"
#include "updater/ui/UpdaterEffects.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(ORLAVO_APP_ID);
    std::vector<std::string> args;
    for (const QString& a : QCoreApplication::arguments())
        args.push_back(a.toStdString());
    DesktopUpdaterEffects effects;
    CUpdaterApp updater(std::move(args), effects);
    updater.InitInstance();
    return 0;
}
