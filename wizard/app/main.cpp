#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include "common/VersionText.h"
#include "platform/FileVersion.h"
#include "resources/WizardResources.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QString::fromStdString(orlavo::wizard::Str(184)));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QString::fromStdString(orlavo::wizard::Str(108)), &window));
    layout->addWidget(new QLabel(
        QString::fromStdString(orlavo::ProgramVersionText(orlavo::OwnFileVersion().value_or(""))),
        &window));
    window.show();
    return app.exec();
}
