#include "wizard/photos/ui/PhotoDrops.h"

#include <QAbstractItemView>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "wizard/photos/SharedThumbnails.h"
#include "wizard/photos/ThumbnailLoader.h"

using namespace orlavo::wizard;

PhotoDropFilter::PhotoDropFilter(QAbstractItemView* view) : QObject(view), view_(view) {
    view->setAcceptDrops(true);
    view->viewport()->setAcceptDrops(true);
    view->viewport()->installEventFilter(this);
}

std::vector<std::string> PhotoDropFilter::LocalPaths(const QMimeData& data, bool& remote) {
    std::vector<std::string> paths;
    remote = false;
    for (const QUrl& url : data.urls()) {
        const QString host = url.host();
        if (url.isLocalFile() && (host.isEmpty() || host == QLatin1String("localhost")))
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
        else
            remote = true;
    }
    return paths;
}

bool PhotoDropFilter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched != view_->viewport() ||
        (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop))
        return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    // The view's own drags (the strip's reordering) are the view's.
    if (drop->source() == view_ || !drop->mimeData() || !drop->mimeData()->hasUrls())
        return QObject::eventFilter(watched, event);
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        bool remote = false;
        const std::vector<std::string> paths = LocalPaths(*drop->mimeData(), remote);
        emit dropped(paths, remote);
    }
    return true;
}

PhotoIntakeLoader::PhotoIntakeLoader(QObject* parent)
    : QObject(parent), loader_(new ThumbnailLoader(this)) {
    qRegisterMetaType<IntakeOutcome>();
    connect(loader_, &ThumbnailLoader::thumbnailReady, this, &PhotoIntakeLoader::onThumbnail);
}

PhotoIntakeLoader::~PhotoIntakeLoader() {
    loader_->stop();
}

void PhotoIntakeLoader::setSharedThumbnails(std::shared_ptr<const SharedThumbnails> shared) {
    loader_->setSharedThumbnails(std::move(shared));
}

void PhotoIntakeLoader::take(const std::vector<std::string>& paths, bool remote,
                             qreal devicePixelRatio, int side) {
    waiting_.push_back({SortIntake(paths), remote, devicePixelRatio, side});
    if (!current_)
        startNext();
}

void PhotoIntakeLoader::startNext() {
    if (current_ || waiting_.empty())
        return;
    current_.emplace();
    current_->batch = std::move(waiting_.front());
    waiting_.pop_front();
    const IntakeList& list = current_->batch.list;
    current_->outcome.notPhotos = list.notPhotos;
    current_->outcome.unreadable = list.unreadable;
    current_->outcome.remote = current_->batch.remote;
    current_->made.resize(list.photos.size());
    if (list.photos.empty()) {
        // Told after the caller's own work, as any other batch is.
        QTimer::singleShot(0, this, &PhotoIntakeLoader::reportReady);
        return;
    }
    loader_->start(list.photos, current_->batch.dpr, {}, current_->batch.side);
}

void PhotoIntakeLoader::onThumbnail(std::size_t index, const PhotoThumbnail& thumbnail) {
    if (!current_ || index >= current_->made.size())
        return;
    current_->made[index] = thumbnail;
    reportReady();
}

void PhotoIntakeLoader::reportReady() {
    if (!current_)
        return;
    const std::vector<std::string>& photos = current_->batch.list.photos;
    while (current_->next < photos.size() && current_->made[current_->next]) {
        const std::size_t i = current_->next++;
        const PhotoThumbnail& t = *current_->made[i];
        if (t.ok())
            emit photoMade(photos[i], t);
        else
            current_->outcome.unreadable.push_back(photos[i]);
        current_->made[i].reset();
    }
    if (current_->next < photos.size())
        return;
    const IntakeOutcome outcome = std::move(current_->outcome);
    current_.reset();
    emit done(outcome);
    startNext();
}
