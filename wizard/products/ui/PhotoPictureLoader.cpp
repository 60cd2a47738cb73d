#include "wizard/products/ui/PhotoPictureLoader.h"

#include <QtConcurrent/QtConcurrentRun>

PhotoPictureLoader::PhotoPictureLoader(QObject* parent) : QObject(parent) {
    connect(&watcher_, &QFutureWatcher<orlavo::wizard::ScaledPhoto>::finished, this,
            &PhotoPictureLoader::onDone);
}

PhotoPictureLoader::~PhotoPictureLoader() {
    watcher_.waitForFinished();
}

void PhotoPictureLoader::start(std::string path, QSize need) {
    // The decode in hand runs out by itself; its result is not reported.
    watcher_.waitForFinished();
    watcher_.setFuture(QtConcurrent::run([path = std::move(path), need] {
        return orlavo::wizard::LoadScaledPhoto(path, need);
    }));
}

void PhotoPictureLoader::onDone() {
    if (watcher_.isCanceled() || watcher_.future().resultCount() == 0)
        return;
    emit loaded(watcher_.result());
}
