// OrlavoW: the ordering wizard.
#include <QApplication>
#include <string>
#include <vector>

#include "wizard/app/AppEffects.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/app/StepPages.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(ORLAVO_APP_ID);
    std::vector<std::string> args;
    for (const QString& a : QCoreApplication::arguments())
        args.push_back(a.toStdString());
    DesktopEffects effects;
    CWizardApp wizard(std::move(args), effects, {}, MakeStepPage);
    wizard.InitInstance();
    return 0;
}
