#pragma once
// Stands in for message boxes, the browser, the beep and the folder browser:
// records what would have been shown or opened and answers as told.

#include <QStringList>
#include <deque>
#include <vector>

#include "wizard/app/AppEffects.h"

struct ShownMessage {
    QString caption;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
};

class RecordingEffects : public AppEffects {
public:
    QMessageBox::StandardButton message(QWidget*, const QString& caption, const QString& text,
                                        QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override {
        messages.push_back({caption, text, icon, buttons, defaultButton});
        if (!answers.empty()) {
            auto a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons.testFlag(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::No;
    }
    bool open(const QString& target) override {
        opened << target;
        return openSucceeds;
    }
    void beep() override { ++beeps; }
    bool browseForFolder(QWidget*, const QString& initialFolder, QString& chosen) override {
        browsedFrom << initialFolder;
        if (folderChoice.isEmpty())
            return false;
        chosen = folderChoice;
        return true;
    }

    std::vector<ShownMessage> messages;
    std::deque<QMessageBox::StandardButton> answers;  // next answers to message boxes
    QStringList opened;
    bool openSucceeds = true;
    int beeps = 0;
    QStringList browsedFrom;
    QString folderChoice;  // empty: the user cancels
};
