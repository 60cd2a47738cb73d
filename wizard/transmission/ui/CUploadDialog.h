#pragma once
// "Upload in Progress": sends the application's order once (one OrderSend:
// a new order id, or the rest of an unfinished order under its id) and shows
// the current image, the whole order, the photo on its way, the time left,
// and "Connection lost, trying again in N s" while a photo waits to be sent
// again. The order's journal is kept in the state folder under the profile.
//
// The window cannot be closed while the worker runs: no close box, Enter does
// nothing, Escape and Cancel ask "Are you sure you want to quit this order?"
// while the worker waits at its next safe point. No goes on where it stood;
// Yes closes the window at once and the worker stops at its next safe point.
// sendEnded() reports the one outcome when the worker has returned (after a
// Yes, a moment after the window closed). The worker's reports arrive as
// queued signals.

#include <QDialog>
#include <QRect>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "wizard/transmission/JournalFolder.h"
#include "wizard/transmission/SendOutcome.h"
#include "wizard/transmission/ui/UploadSignals.h"

namespace orlavo::transmission {
class OrderSend;
}
class CWizardApp;
class QLabel;
class QProgressBar;
class QPushButton;

class CUploadDialog : public QDialog {
    Q_OBJECT
public:
    explicit CUploadDialog(CWizardApp& app, QWidget* parent = nullptr);
    ~CUploadDialog() override;

    // A transfer that moves no byte for STALL_SECONDS fails; CA_FILE, when
    // set, holds the authorities trusted instead of the system's (tests).
    void setTransferLimits(long stallSeconds, std::string caFile);
    // The pauses before a photo is sent again (tests: short ones).
    void setRetryPauses(std::vector<std::chrono::milliseconds> pauses);

    // Where the window must not stand: the figures of the order that the
    // user checks while it goes (global coordinates). Set before begin().
    void keepVisible(const QRect& area) { keepVisible_ = area; }

    // Shows the window (modal to the whole program) beside what is kept
    // visible and starts sending: a new order, or the rest of the order of
    // RESUME.
    void begin(std::unique_ptr<orlavo::transmission::JournalClaim> resume = nullptr);

    // Once sendEnded() came: the order when it is not complete, for resuming.
    std::unique_ptr<orlavo::transmission::JournalClaim> takeUnfinished();

    // True from begin() until the worker has returned.
    bool sending() const { return sending_; }
    const std::string& orderId() const;
    int thumbnailIndex() const { return thumbnailIndex_; }

    // "Current Image", or "Preparing" while the photo's file is being made.
    QLabel* imageLabel() const { return imageLabel_; }
    QProgressBar* imageBar() const { return imageBar_; }
    QProgressBar* orderBar() const { return orderBar_; }
    QLabel* thumbnailFrame() const { return thumbnail_; }
    QLabel* remainsLabel() const { return remainsLabel_; }
    QLabel* estimateLabel() const { return estimate_; }
    QLabel* retryLabel() const { return retry_; }
    QPushButton* cancelButton() const { return cancel_; }

signals:
    void sendEnded(const orlavo::transmission::SendOutcome& outcome);

public slots:
    void onCancel();
    // Escape asks the cancel question; nothing else ends the window.
    void reject() override;
    void accept() override {}

    // The worker's reports (also used to draw the window for the documentation).
    void setOrderRange(int max);
    // The bars: the bytes of the photo on its way and of the whole order.
    void showBytes(qulonglong photoSent, qulonglong photoTotal, qulonglong orderSent,
                   qulonglong orderTotal);
    void showThumbnail(int index);
    void showEstimate(const QString& text);
    // Seconds until the photo goes again; 0 hides the text.
    void showRetryCountdown(int seconds);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void onNotice(const QString& text);
    void onFinished();
    // Finished arrived while a message box was open: handled after it.
    void settlePending();

    CWizardApp& app_;
    long stallSeconds_ = 60;
    std::string caFile_;
    std::optional<std::vector<std::chrono::milliseconds>> retryPauses_;
    // A child: deleted after send_, whose destructor joins the worker.
    UploadSignals* reports_;
    std::unique_ptr<orlavo::transmission::OrderSend> send_;
    bool sending_ = false;
    bool boxOpen_ = false;
    bool finishPending_ = false;
    QRect keepVisible_;
    int thumbnailIndex_ = 0;
    int orderMax_ = 0;
    int photoNumber_ = 0;

    QLabel* thumbnail_;
    QLabel* imageLabel_;
    QProgressBar* imageBar_;
    QProgressBar* orderBar_;
    QLabel* photoOf_;
    QLabel* remainsLabel_;
    QLabel* estimate_;
    QLabel* retry_;
    QPushButton* cancel_;
};
