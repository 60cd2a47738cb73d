#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include "common/VersionText.h"
#include "platform/FileVersion.h"
#include "resources/UpdaterResources.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QString::fromStdString(orlavo::updater::Str(2000)));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QString::fromStdString(orlavo::updater::Str(2001)), &window));
    layout->addWidget(new QLabel(
        QString::fromStdString(orlavo::ProgramVersionText(orlavo::OwnFileVersion().value_or(""))),
        &window));
    window.show();
    return app.exec();
}
