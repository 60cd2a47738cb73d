#include "wizard/customer/ui/PriceRequestRunner.h"

#include <QtConcurrent/QtConcurrentRun>

#include "resources/WizardResources.h"
#include "wizard/transmission/PriceRequestPost.h"

PriceRequestRunner::PriceRequestRunner(QObject* parent) : QObject(parent) {
    connect(&watcher_, &QFutureWatcher<std::pair<bool, std::string>>::finished, this,
            &PriceRequestRunner::onDone);
}

PriceRequestRunner::~PriceRequestRunner() {
    if (cancel_)
        *cancel_ = true;
    watcher_.waitForFinished();
}

void PriceRequestRunner::cancel() {
    if (watcher_.isRunning() && cancel_)
        *cancel_ = true;
}

bool PriceRequestRunner::start(std::string url, std::string request) {
    if (watcher_.isRunning())
        return false;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    watcher_.setFuture(QtConcurrent::run([url = std::move(url), request = std::move(request),
                                          cancel = cancel_]() -> std::pair<bool, std::string> {
        try {
            std::string answer;
            const bool ok = orlavo::transmission::PostPriceRequest(
                url, request, answer, "orlavo", {}, orlavo::transmission::kPriceDeadlineSeconds,
                cancel.get());
            return {ok, std::move(answer)};
        } catch (...) {
            return {false, orlavo::wizard::Str(153)};
        }
    }));
    return true;
}

void PriceRequestRunner::onDone() {
    if (cancel_ && cancel_->load()) {
        emit cancelled();
        return;
    }
    const std::pair<bool, std::string> result = watcher_.result();
    emit finished(result.first,
                  QByteArray(result.second.data(), static_cast<qsizetype>(result.second.size())));
}
