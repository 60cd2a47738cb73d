#include "wizard/app/AppEffects.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

QMessageBox::StandardButton DesktopEffects::message(QWidget* owner, const QString& caption,
                                                    const QString& text, QMessageBox::Icon icon,
                                                    QMessageBox::StandardButtons buttons,
                                                    QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, caption, text, buttons, owner);
    // Texts may come from a server: never read as markup.
    box.setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

bool DesktopEffects::open(const QString& target) {
    if (target.trimmed().isEmpty())
        return false;
    // A plain path opens as a local file; anything with a scheme as an address.
    QUrl url = QUrl::fromUserInput(target, QDir::currentPath(), QUrl::AssumeLocalFile);
    if (!url.isValid())
        return false;
    // Text that names no address and no existing file is nothing to open.
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
        return false;
    return QDesktopServices::openUrl(url);
}

void DesktopEffects::beep() {
    QApplication::beep();
}

bool DesktopEffects::browseForFolder(QWidget* owner, const QString& initialFolder,
                                     QString& chosen) {
    QString dir = QFileDialog::getExistingDirectory(owner, QString(), initialFolder,
                                                    QFileDialog::ShowDirsOnly);
    if (dir.isEmpty())
        return false;
    QFileInfo info(dir);
    if (!info.isDir())
        return false;
    chosen = QDir::toNativeSeparators(info.absoluteFilePath());
    return true;
}
