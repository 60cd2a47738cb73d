#pragma once
// The start window: the start picture, a status line and three buttons. It
// loads the affiliate catalogue once it is showing, offers "Try Again" when
// the load fails, and lets the user begin only after a successful load.
// States, told by the Begin button's caption: Opening, Closed ("Close"),
// Loading, Failed ("Try Again"), Ready ("Begin").
//
// Once the catalogue is in, an order of the profile that was interrupted
// (and that no other wizard is sending) is offered for resuming: "Resume
// Order" takes it into the application object (unfinishedOrder) and ends the
// window as Begin does; "Discard" gives it up after a question. Journals
// that cannot be used are set aside, and said so.

#include <QDialog>
#include <QFutureWatcher>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "wizard/transmission/OrderJournal.h"

class CWizardApp;
class ResumeOffer;
class QLabel;
class QPushButton;

class CStartDialog : public QDialog {
    Q_OBJECT
public:
    // LOAD runs the catalogue load for an address and returns its error text
    // (empty on success). It runs on a worker thread while the window waits,
    // so it must touch nothing that the window uses, and it stops soon once
    // CANCEL is set (Cancel pressed while it loads).
    using Loader =
        std::function<std::string(const std::string& address, const std::atomic<bool>& cancel)>;

    CStartDialog(CWizardApp& app, Loader load, QWidget* parent = nullptr);
    ~CStartDialog() override;

    QLabel* statusLine() const { return status_; }
    QPushButton* beginButton() const { return begin_; }
    QPushButton* preferencesButton() const { return preferences_; }
    QPushButton* cancelButton() const { return cancel_; }
    bool isLoading() const { return watcher_.isRunning(); }
    // The offer to resume an interrupted order; hidden when there is none.
    ResumeOffer* resumeOffer() const { return offer_; }
    QPushButton* resumeButton() const { return resume_; }
    QPushButton* discardButton() const { return discard_; }

public slots:
    void reject() override;

signals:
    // A catalogue load has ended (either way) and the window shows its result.
    void loadFinished();

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void onBegin();
    void onPreferences();
    void startLoad();
    void onLoaded();

private:
    void setStatus(const QString& text);
    void findInterruptedOrders();
    void showOffer();
    void onResume();
    void onDiscard();

    CWizardApp& app_;
    Loader load_;
    QString closeText_;
    QString tryAgainText_;
    std::string address_;
    QLabel* picture_;
    QLabel* status_;
    int statusWidth_ = 0;
    QPushButton* cancel_;
    QPushButton* preferences_;
    QPushButton* begin_;
    QFutureWatcher<std::string> watcher_;
    // Set by Cancel while the catalogue loads; shared with that load's worker.
    std::shared_ptr<std::atomic<bool>> cancelLoad_;
    bool opened_ = false;
    ResumeOffer* offer_;
    QPushButton* resume_;
    QPushButton* discard_;
    // Interrupted orders not yet resumed or discarded, the most recent first.
    std::vector<orlavo::transmission::OrderJournal> interrupted_;
};
