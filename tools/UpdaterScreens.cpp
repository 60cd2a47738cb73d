#include "tools/UpdaterScreens.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>

#include "common/RegistryRoot.h"
#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "resources/UpdaterResources.h"
#include "updater/ui/CUpdaterApp.h"
#include "updater/ui/CUpdaterDialog.h"
#include "updater/ui/UpdaterEffects.h"

namespace {

using namespace orlavo::updater;

class QuietUpdaterEffects : public UpdaterEffects {
public:
    QMessageBox::StandardButton message(QWidget*, const QString&, const QString&, QMessageBox::Icon,
                                        QMessageBox::StandardButtons) override {
        return QMessageBox::Ok;
    }
    bool startProgram(const QString&, const QStringList&, const QString&) override { return true; }
};

// Stands in for the lab: each step waits, with what it has reported, until
// the picture of that moment is taken.
class PosedRunner : public UpdateRunner {
public:
    explicit PosedRunner(CheckOutcome outcome) : outcome_(outcome) {}

    CheckResult check(UpdateObserver&) override {
        wait();
        return {outcome_, 2, {}};
    }
    InstallResult install(UpdateObserver& observer) override {
        observer.installStarted(3);
        observer.receiving("OrlavoW", 7 << 20, 7 << 20);
        observer.stepDone();
        observer.receiving("1.jpg", 420000, 1000000);
        wait();
        return {InstallOutcome::Done, 2, 2};
    }
    void cancel() override { release(); }

    void release() {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
        cv_.notify_all();
    }

private:
    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [this] { return released_; });
        released_ = false;
    }

    CheckOutcome outcome_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool released_ = false;
};

bool WaitFor(const std::function<bool()>& done) {
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

bool Save(QWidget& w, const QString& folder, const QString& name) {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    const QString path = QDir(folder).filePath(name + ".png");
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

}  // namespace

bool SaveUpdaterScreens(const QString& folder) {
    orlavo::RegistryStore reg(orlavo::UpdaterRegistryRoot("Screens"));
    reg.setText(orlavo::section::kSettings, "LocalPath", "/opt/orlavo/");
    reg.setText(orlavo::section::kSettings, "UpdateURL",
                "http://127.0.0.1:8080/update/auto_update.xml");
    QuietUpdaterEffects effects;
    CUpdaterApp app({"orlavo-screens", "Screens"}, effects);
    app.StartUp();
    bool ok = true;
    using State = CUpdaterDialog::State;

    for (CheckOutcome outcome :
         {CheckOutcome::Offered, CheckOutcome::Failed, CheckOutcome::Managed}) {
        PosedRunner* runner = nullptr;
        CUpdaterDialog dialog(app, [&runner, outcome](const UpdateSettings&) {
            auto r = std::make_unique<PosedRunner>(outcome);
            runner = r.get();
            return r;
        });
        if (!dialog.initDialog())
            return false;
        dialog.show();
        ok = WaitFor([&] { return runner != nullptr; }) && ok;
        if (outcome == CheckOutcome::Offered) {
            ok = Save(dialog, folder, "updater-searching") && ok;
            runner->release();
            ok = WaitFor([&] { return dialog.state() == State::Offered; }) && ok;
            ok = Save(dialog, folder, "updater-offered") && ok;
            dialog.nextButton()->click();
            ok = WaitFor([&] { return dialog.detailText()->text().contains("1.jpg"); }) && ok;
            ok = Save(dialog, folder, "updater-installing") && ok;
            runner->release();
            ok = WaitFor([&] { return dialog.state() == State::Done; }) && ok;
            ok = Save(dialog, folder, "updater-done") && ok;
        } else if (outcome == CheckOutcome::Failed) {
            runner->release();
            ok = WaitFor([&] { return dialog.state() == State::Failed; }) && ok;
            ok = Save(dialog, folder, "updater-failed") && ok;
        } else {
            // An installation shared by all users, kept by the package manager.
            runner->release();
            ok = WaitFor([&] { return dialog.state() == State::Managed; }) && ok;
            ok = Save(dialog, folder, "updater-managed") && ok;
        }
        dialog.hide();
    }
    {
        QMessageBox missing(QMessageBox::Critical, QString::fromStdString(Str(2004)),
                            QString::fromStdString(Str(112)), QMessageBox::Ok);
        missing.show();
        ok = Save(missing, folder, "updater-no-settings") && ok;
    }
    return ok;
}
