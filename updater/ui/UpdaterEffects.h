#pragma once
// What the updater's windows do to the world outside themselves: message
// boxes and starting the wizard. Tests put a recorder in their place.

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

class UpdaterEffects {
public:
    virtual ~UpdaterEffects() = default;

    // A modal message box; returns the button pressed.
    virtual QMessageBox::StandardButton message(QWidget* owner, const QString& caption,
                                                const QString& text, QMessageBox::Icon icon,
                                                QMessageBox::StandardButtons buttons) = 0;
    // Starts PROGRAM with ARGUMENTS in WORKING_FOLDER, not waiting for it;
    // true when it started.
    virtual bool startProgram(const QString& program, const QStringList& arguments,
                              const QString& workingFolder) = 0;
};

// The real thing: QMessageBox and QProcess::startDetached.
class DesktopUpdaterEffects : public UpdaterEffects {
public:
    QMessageBox::StandardButton message(QWidget* owner, const QString& caption, const QString& text,
                                        QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons) override;
    bool startProgram(const QString& program, const QStringList& arguments,
                      const QString& workingFolder) override;
};
