// The updater's window shows its name and version until the update check
// stands behind it.
#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include "common/VersionText.h"
#include "platform/FileVersion.h"
#include "resources/UpdaterResources.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString name = QString::fromStdString(orlavo::updater::Str(2000));
    const QString version =
        QString::fromStdString(orlavo::updater::Str(113) +
                               orlavo::ProgramVersionText(orlavo::OwnFileVersion().value_or("")));
    QWidget window;
    window.setWindowTitle(name);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(name, &window));
    layout->addWidget(new QLabel(version, &window));
    window.show();
    return app.exec();
}
