#pragma once
// What the windows do to the world outside themselves: message boxes, opening
// an address in the browser, the beep, the folder browser. Windows call these
// through one object so that tests can record what would have been shown.

#include <QMessageBox>
#include <QString>

class QWidget;

class AppEffects {
public:
    virtual ~AppEffects() = default;

    // A modal message box; returns the button pressed. Enter presses
    // DEFAULT_BUTTON, or the box's own choice when it is NoButton.
    virtual QMessageBox::StandardButton message(
        QWidget* owner, const QString& caption, const QString& text, QMessageBox::Icon icon,
        QMessageBox::StandardButtons buttons,
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) = 0;
    // The shell's "open": true when the target could be handed over.
    virtual bool open(const QString& target) = 0;
    virtual void beep() = 0;
    // The folder browser: true with the chosen folder's path, false when cancelled.
    virtual bool browseForFolder(QWidget* owner, const QString& initialFolder, QString& chosen) = 0;
};

// The real thing: QMessageBox, QDesktopServices, QFileDialog.
class DesktopEffects : public AppEffects {
public:
    QMessageBox::StandardButton message(QWidget* owner, const QString& caption, const QString& text,
                                        QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override;
    bool open(const QString& target) override;
    void beep() override;
    bool browseForFolder(QWidget* owner, const QString& initialFolder, QString& chosen) override;
};
