#include "updater/ui/UpdaterEffects.h"

#include <QProcess>

QMessageBox::StandardButton DesktopUpdaterEffects::message(QWidget* owner, const QString& caption,
                                                           const QString& text,
                                                           QMessageBox::Icon icon,
                                                           QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, caption, text, buttons, owner);
    box.setTextFormat(Qt::PlainText);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

bool DesktopUpdaterEffects::startProgram(const QString& program, const QStringList& arguments,
                                         const QString& workingFolder) {
    return QProcess::startDetached(program, arguments, workingFolder);
}
