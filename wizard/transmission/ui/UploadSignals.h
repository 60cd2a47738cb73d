#pragma once
// Turns the upload worker's reports into Qt signals. The reporter's methods
// run on the worker thread; the window connects every signal with
// Qt::QueuedConnection, so it handles them on its own thread, in order. The
// object must outlive the worker that reports to it.

#include <QObject>
#include <QString>

#include "wizard/transmission/UploadSession.h"

class UploadSignals : public QObject, public orlavo::transmission::UploadReporter {
    Q_OBJECT
public:
    using QObject::QObject;

    void OrderRange(int max) override { emit orderRange(max); }
    void OrderPosition(int position) override { emit orderPosition(position); }
    void ImageRange(int max) override { emit imageRange(max); }
    void ImagePosition(int position) override { emit imagePosition(position); }
    void Thumbnail(int index) override { emit thumbnail(index); }
    void Estimate(const std::string& text) override { emit estimate(QString::fromStdString(text)); }
    void Notice(const std::string& text) override { emit notice(QString::fromStdString(text)); }
    void Finished() override { emit finished(); }

signals:
    void orderRange(int max);
    void orderPosition(int position);
    void imageRange(int max);
    void imagePosition(int position);
    void thumbnail(int index);
    void estimate(const QString& text);
    void notice(const QString& text);
    void finished();
};
