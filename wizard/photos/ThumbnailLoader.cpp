#include "wizard/photos/ThumbnailLoader.h"

#include <QThread>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

#include "wizard/photos/SharedThumbnails.h"

namespace orlavo::wizard {

namespace {
constexpr std::size_t kNone = static_cast<std::size_t>(-1);
}

struct ThumbnailLoader::Run {
    Run(std::uint64_t g, std::vector<std::string> p, qreal ratio, int s,
        std::shared_ptr<const SharedThumbnails> sh)
        : generation(g),
          paths(std::move(p)),
          dpr(ratio),
          side(s),
          shared(std::move(sh)),
          claimed(paths.size(), 0) {}

    // The next photo to make: a wished one first, else the next in order.
    std::size_t claim() {
        std::lock_guard lock(mutex);
        while (wantedAt < wanted.size()) {
            const std::size_t i = wanted[wantedAt++];
            if (i < claimed.size() && !claimed[i]) {
                claimed[i] = 1;
                return i;
            }
        }
        while (cursor < claimed.size() && claimed[cursor])
            ++cursor;
        if (cursor == claimed.size())
            return kNone;
        claimed[cursor] = 1;
        return cursor++;
    }

    // A photo judged by its markers only, to be decoded once all are made.
    void toCheck(std::size_t i) {
        std::lock_guard lock(mutex);
        checks.push_back(i);
    }

    std::size_t claimCheck() {
        std::lock_guard lock(mutex);
        return checkAt < checks.size() ? checks[checkAt++] : kNone;
    }

    void wish(const std::vector<std::size_t>& indices) {
        std::lock_guard lock(mutex);
        wanted = indices;
        wantedAt = 0;
    }

    void join() {
        for (std::thread& t : workers)
            if (t.joinable())
                t.join();
    }

    // Set before the workers start, read-only afterwards.
    const std::uint64_t generation;
    const std::vector<std::string> paths;
    const qreal dpr;
    const int side;
    const std::shared_ptr<const SharedThumbnails> shared;

    std::atomic<bool> stop{false};
    std::atomic<int> active{0};
    std::atomic<int> making{0};  // workers still making thumbnails

    std::mutex mutex;  // guards what follows
    std::vector<char> claimed;
    std::size_t cursor = 0;
    std::vector<std::size_t> wanted;
    std::size_t wantedAt = 0;
    std::vector<std::size_t> checks;
    std::size_t checkAt = 0;

    // The loader's thread only.
    std::vector<std::thread> workers;
};

ThumbnailLoader::ThumbnailLoader(QObject* parent, int threads)
    : QObject(parent), threads_(threads > 0 ? threads : std::max(1, QThread::idealThreadCount())) {}

ThumbnailLoader::~ThumbnailLoader() {
    for (const auto& run : runs_)
        run->stop = true;
    for (const auto& run : runs_)
        run->join();
}

void ThumbnailLoader::start(std::vector<std::string> paths, qreal devicePixelRatio,
                            const std::vector<std::size_t>& first, int side) {
    stop();
    // Runs that have ended but whose end was not handled yet are joined now.
    std::erase_if(runs_, [](const std::shared_ptr<Run>& run) {
        if (run->active.load() != 0)
            return false;
        run->join();
        return true;
    });
    if (paths.empty())
        return;
    auto run =
        std::make_shared<Run>(++generation_, std::move(paths), devicePixelRatio, side, shared_);
    const int n = static_cast<int>(std::min<std::size_t>(run->paths.size(), std::size_t(threads_)));
    run->wish(first);
    run->active = n;
    run->making = n;
    current_ = run;
    currentMade_ = false;
    runs_.push_back(run);
    for (int i = 0; i < n; ++i)
        run->workers.emplace_back([this, run] { work(run); });
}

void ThumbnailLoader::stop() {
    if (current_) {
        current_->stop = true;
        current_.reset();
    }
}

void ThumbnailLoader::setSharedThumbnails(std::shared_ptr<const SharedThumbnails> shared) {
    shared_ = std::move(shared);
}

bool ThumbnailLoader::running() const {
    return current_ != nullptr && !currentMade_;
}

void ThumbnailLoader::prioritize(const std::vector<std::size_t>& indices) {
    if (current_)
        current_->wish(indices);
}

void ThumbnailLoader::work(const std::shared_ptr<Run>& run) {
    while (!run->stop.load()) {
        const std::size_t i = run->claim();
        if (i == kNone)
            break;
        const std::string& path = run->paths[i];
        const SharedThumbnails* shared =
            run->shared && run->shared->shareable(path) ? run->shared.get() : nullptr;
        PhotoThumbnail thumbnail;
        if (!shared || !shared->recall(path, run->dpr, run->side, thumbnail)) {
            const int deviceSide = int(std::lround(run->side * (run->dpr > 0 ? run->dpr : 1.0)));
            const int shareSide = shared ? SharedThumbnails::SideFor(deviceSide) : 0;
            thumbnail = MakeThumbnail(path, run->dpr, run->side, &run->stop, shareSide);
            if (shared && !run->stop.load())
                shared->keep(path, deviceSide, thumbnail);
            thumbnail.shareable = QImage();
        }
        thumbnail.packed = PackThumbnail(thumbnail.image);
        if (run->stop.load())
            break;
        const bool check = thumbnail.ok() && thumbnail.judgedByMarkers;
        post({run->generation, i, std::move(thumbnail)});
        // After its thumbnail, so that a refusal never comes before it.
        if (check)
            run->toCheck(i);
    }
    if (run->making.fetch_sub(1) == 1 && !run->stop.load())
        post({run->generation, 0, {}, ReportKind::Made});
    // A worker that finds no check left ends; the others take the rest.
    while (!run->stop.load()) {
        const std::size_t i = run->claimCheck();
        if (i == kNone)
            break;
        PhotoThumbnail verdict = CheckPhotoWhole(run->paths[i], &run->stop);
        if (run->stop.load() || verdict.refusal == PhotoRefusal::None ||
            verdict.refusal == PhotoRefusal::Stopped)
            continue;
        if (run->shared)
            run->shared->keep(run->paths[i], 0, verdict);  // the failure, remembered
        post({run->generation, i, std::move(verdict)});
    }
    if (run->active.fetch_sub(1) == 1)
        post({run->generation, 0, {}, ReportKind::End});
}

void ThumbnailLoader::post(Report report) {
    bool wake = false;
    {
        std::lock_guard lock(inboxMutex_);
        inbox_.push_back(std::move(report));
        wake = !wakePending_;
        wakePending_ = true;
    }
    // By name: nothing of ours travels with the call, only the wish to look.
    if (wake)
        QMetaObject::invokeMethod(this, "takeReports", Qt::QueuedConnection);
}

void ThumbnailLoader::takeReports() {
    std::vector<Report> reports;
    {
        std::lock_guard lock(inboxMutex_);
        reports.swap(inbox_);
        wakePending_ = false;
    }
    for (const Report& r : reports) {
        switch (r.kind) {
            case ReportKind::Thumbnail:
                deliver(r.generation, r.index, r.thumbnail);
                break;
            case ReportKind::Made:
                runMade(r.generation);
                break;
            case ReportKind::End:
                runEnded(r.generation);
                break;
        }
    }
}

void ThumbnailLoader::deliver(std::uint64_t generation, std::size_t index,
                              const PhotoThumbnail& thumbnail) {
    if (current_ && current_->generation == generation)
        emit thumbnailReady(index, thumbnail);
}

void ThumbnailLoader::runMade(std::uint64_t generation) {
    if (current_ && current_->generation == generation && !currentMade_) {
        currentMade_ = true;
        emit finished();
    }
}

void ThumbnailLoader::runEnded(std::uint64_t generation) {
    const auto it = std::find_if(runs_.begin(), runs_.end(),
                                 [&](const auto& run) { return run->generation == generation; });
    if (it == runs_.end())
        return;
    (*it)->join();
    runs_.erase(it);
    if (current_ && current_->generation == generation) {
        current_.reset();
        currentMade_ = false;
    }
}

}  // namespace orlavo::wizard
