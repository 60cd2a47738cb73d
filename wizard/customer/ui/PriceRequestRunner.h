#pragma once
// Posts a finished price request document to the lab on a worker thread, so
// that the window keeps repainting while the lab answers.
//
// Threading: the worker gets its own copies of the address and the request
// and touches nothing else; the answer is judged by the caller on the
// window thread. finished() is emitted on the runner's thread (queued from
// the worker's end) exactly once for every start() that returned true. One
// request at a time. The destructor stops a request still running and waits
// for it (about a second).

#include <QByteArray>
#include <QFutureWatcher>
#include <QObject>
#include <atomic>
#include <memory>
#include <string>
#include <utility>

class PriceRequestRunner : public QObject {
    Q_OBJECT
public:
    explicit PriceRequestRunner(QObject* parent = nullptr);
    ~PriceRequestRunner() override;

    // False (and nothing started) while a request runs.
    bool start(std::string url, std::string request);
    bool isRunning() const { return watcher_.isRunning(); }
    // Stops the running request: its transfer ends within about a second,
    // then cancelled() comes instead of finished().
    void cancel();

signals:
    // OK with the answer body, or not OK with the transport's message.
    void finished(bool ok, const QByteArray& answer);
    void cancelled();

private:
    void onDone();

    QFutureWatcher<std::pair<bool, std::string>> watcher_;
    // Shared with the worker of the running request.
    std::shared_ptr<std::atomic<bool>> cancel_;
};
