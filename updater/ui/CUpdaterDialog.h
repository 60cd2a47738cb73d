#pragma once
// The updater's window, "Zadozu Orlavo Tessaly": searches for updates once
// it is on the screen, offers them, installs them on Next and ends with OK
// (the wizard is then started) or Cancel.
//
// States: Starting (settings missing: message, closed with Cancel, never
// shown), Searching, Offered (Next), Installing (progress), Done (Next reads
// "Finish"), Failed (only Cancel), Managed (files are due but the
// installation is shared by all users: its updates come from the package
// manager; "Finish" writes the settings that are due and starts the wizard),
// Stopped (the update was not taken and the installation is as it was: too
// slow a server, a refused manifest, or a cancelled installation; the status
// says which, and "Finish" starts the wizard as it is).
// The check and the installation run on a worker thread; the window keeps
// repainting and reports arrive as queued signals. Cancel while the check
// runs stops it and closes the window once it has returned; Cancel while the
// installation runs stops it between two files, takes back what was put in
// place, and says how far it got.

#include <QDialog>
#include <QFutureWatcher>
#include <QString>
#include <functional>
#include <memory>

#include "updater/UpdateSession.h"

class CUpdaterApp;
class QLabel;
class QProgressBar;
class QPushButton;
class UpdateProgressRelay;

class CUpdaterDialog : public QDialog {
    Q_OBJECT
public:
    enum class State { Starting, Searching, Offered, Installing, Done, Failed, Managed, Stopped };
    Q_ENUM(State)

    // Makes the runner of the check and the installation from the settings;
    // the real UpdateSession when not given.
    using RunnerMaker = std::function<std::unique_ptr<orlavo::updater::UpdateRunner>(
        const orlavo::updater::UpdateSettings&)>;

    explicit CUpdaterDialog(CUpdaterApp& app, RunnerMaker makeRunner = {},
                            QWidget* parent = nullptr);
    ~CUpdaterDialog() override;

    // The window's start: reads the installation folder and the manifest
    // address. Without either, shows message 112 and gives false; the window
    // is then closed with Cancel.
    bool initDialog();
    // initDialog, then the window modally: QDialog::Accepted or Rejected.
    int run();

    State state() const { return state_; }
    int updateCount() const { return updateCount_; }
    // The installation folder with its final "/".
    const QString& installFolder() const { return installFolder_; }

    QPushButton* nextButton() const { return next_; }
    QPushButton* cancelButton() const { return cancel_; }
    QProgressBar* progressBar() const { return progress_; }
    QLabel* statusText() const { return status_; }
    QLabel* detailText() const { return detail_; }
    QLabel* versionLabel() const { return version_; }
    QLabel* picture() const { return banner_; }

public slots:
    void reject() override;

signals:
    void stateChanged(CUpdaterDialog::State state);

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void startCheck();
    void onChecked();
    void onNext();
    void onInstalled();
    void onInstallStarted(int steps);
    void onStepDone();
    void onFileProgress(const QString& filename, int permille);
    void onCopying(const QString& filename);

private:
    void setState(State state);
    void setStatus(int id);
    // The update is not taken; the wizard may start as it is installed.
    void stopWith(const QString& status);
    void setDetail(const QString& text);
    bool working() const;
    void showProgress(int permilleOfStep);

    CUpdaterApp& app_;
    RunnerMaker makeRunner_;
    QString finishText_;
    QString installFolder_;
    std::string updateUrl_;
    State state_ = State::Starting;
    int updateCount_ = 0;
    int steps_ = 0;
    int stepsDone_ = 0;
    bool checkPosted_ = false;
    bool closeWhenStopped_ = false;
    bool acceptWhenInstalled_ = false;  // the Managed state's settings: then the wizard

    QLabel* banner_;
    QLabel* heading_;
    QLabel* version_;
    QLabel* status_;
    QProgressBar* progress_;
    QLabel* detail_;
    QPushButton* next_;
    QPushButton* cancel_;

    std::unique_ptr<orlavo::updater::UpdateRunner> runner_;
    UpdateProgressRelay* relay_;
    QFutureWatcher<orlavo::updater::CheckResult> checkWatcher_;
    QFutureWatcher<orlavo::updater::InstallResult> installWatcher_;
};
