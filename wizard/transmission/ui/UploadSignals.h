#pragma once
// Turns the upload worker's reports into Qt signals. The reporter's methods
// run on the worker thread; the window connects every signal with
// Qt::QueuedConnection, so it handles them on its own thread, in order. The
// object must outlive the worker that reports to it.
//
// Numbers travel in the signals. Texts wait here under a lock and are taken
// by the window when their signal arrives, so nothing shared by reference
// counting crosses between the threads.

#include <QObject>
#include <QString>
#include <deque>
#include <mutex>
#include <string>

#include "wizard/transmission/UploadSession.h"

class UploadSignals : public QObject, public orlavo::transmission::UploadReporter {
    Q_OBJECT
public:
    using QObject::QObject;

    void OrderRange(int max) override { emit orderRange(max); }
    void OrderPosition(int position) override { emit orderPosition(position); }
    void ImageRange(int max) override { emit imageRange(max); }
    void ImagePosition(int position) override { emit imagePosition(position); }
    void BytesSent(std::uint64_t photoSent, std::uint64_t photoTotal, std::uint64_t orderSent,
                   std::uint64_t orderTotal) override {
        emit bytesSent(photoSent, photoTotal, orderSent, orderTotal);
    }
    void Thumbnail(int index) override { emit thumbnail(index); }
    void Preparing(bool on) override { emit preparing(on); }
    void Estimate(const std::string& text) override {
        {
            std::lock_guard lock(mutex_);
            estimate_ = text;
        }
        emit estimateChanged();
    }
    void Notice(const std::string& text) override {
        {
            std::lock_guard lock(mutex_);
            notices_.push_back(text);
        }
        emit noticeAdded();
    }
    void RetryCountdown(int seconds) override { emit retryCountdown(seconds); }
    void Finished() override { emit finished(); }

    // The latest time-left text.
    QString estimate() const {
        std::lock_guard lock(mutex_);
        return QString::fromStdString(estimate_);
    }
    // The oldest notice not taken yet; empty when none.
    QString takeNotice() {
        std::lock_guard lock(mutex_);
        if (notices_.empty())
            return QString();
        QString text = QString::fromStdString(notices_.front());
        notices_.pop_front();
        return text;
    }

signals:
    void orderRange(int max);
    void orderPosition(int position);
    void imageRange(int max);
    void imagePosition(int position);
    void bytesSent(qulonglong photoSent, qulonglong photoTotal, qulonglong orderSent,
                   qulonglong orderTotal);
    void thumbnail(int index);
    void preparing(bool on);
    void estimateChanged();
    void noticeAdded();
    void retryCountdown(int seconds);
    void finished();

private:
    mutable std::mutex mutex_;
    std::string estimate_;
    std::deque<std::string> notices_;
};
