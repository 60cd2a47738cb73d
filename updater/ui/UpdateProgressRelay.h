#pragma once
// Turns what a check or an installation tells on its worker thread into
// signals, which reach the window queued on its own thread. Byte counts are
// passed on only when they move the shown progress, so a fast transfer does
// not flood the window's queue.

#include <QObject>
#include <QString>
#include <string>

#include "updater/UpdateObserver.h"

class UpdateProgressRelay : public QObject, public orlavo::updater::UpdateObserver {
    Q_OBJECT
public:
    explicit UpdateProgressRelay(QObject* parent = nullptr) : QObject(parent) {}

    void installStarted(int steps) override;
    void stepDone() override;
    void receiving(const std::string& filename, std::uint64_t received,
                   std::uint64_t total) override;
    void copying(const std::string& filename) override;
    void failed(const std::string& filename, const std::string& text) override;

signals:
    void started(int steps);
    void stepFinished();
    // PERMILLE of FILENAME has arrived; -1 while its length is unknown.
    void fileProgress(const QString& filename, int permille);
    void copyingFile(const QString& filename);

private:
    // Touched only by the worker that reports.
    std::string lastFile_;
    int lastPermille_ = -2;
};
