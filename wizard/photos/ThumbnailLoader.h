#pragma once
// Makes the thumbnails of one folder's photos in the background, one thread
// per core, the photos on screen first.
//
// Threading contract:
// - start(), stop(), prioritize(), running() and the destructor are called on
//   the thread the loader lives in (the window thread).
// - Workers never touch a window or the caller's data. Each thumbnail travels
//   by value through the loader's inbox (guarded by a mutex) and comes out as
//   thumbnailReady() on the loader's own thread, as soon as it is made; a
//   queued call wakes that thread when the inbox was empty.
// - A run is stopped through a flag that its workers poll before each photo
//   and that the photo's decode polls as it goes. stop() and start() never
//   wait for a worker: the old run's workers give up the photo in hand and
//   end by themselves, and nothing of theirs is handed out any more. The
//   destructor does wait for them (a fraction of one photo each).
// - finished() fires once when the current run has made every photo; a
//   stopped run never fires it.
// - A photo shown from its EXIF thumbnail or the desktop's cache was judged
//   by its markers only. Once every thumbnail is made, the run's workers
//   decode those photos at the smallest scale, and one found damaged is
//   reported again, refused (thumbnailReady() with a thumbnail that is not
//   ok()), before or after finished().
// - With the desktop's thumbnail cache set, a worker asks it before decoding
//   a photo and gives it what the decode made; the cache is immutable.

#include <QObject>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "wizard/photos/ThumbnailMaker.h"

namespace orlavo::wizard {

class SharedThumbnails;

class ThumbnailLoader : public QObject {
    Q_OBJECT
public:
    // THREADS 0 means one per core.
    explicit ThumbnailLoader(QObject* parent = nullptr, int threads = 0);
    ~ThumbnailLoader() override;

    // Stops the current run and starts one over PATHS; thumbnailReady() then
    // reports by index into PATHS. FIRST are made ahead of the others, as
    // prioritize() asks. SIDE is the thumbnails' side in logical pixels. An
    // empty list starts nothing.
    void start(std::vector<std::string> paths, qreal devicePixelRatio,
               const std::vector<std::size_t>& first = {}, int side = kThumbnailSide);
    // Nothing more is reported from the current run.
    void stop();
    // The desktop's thumbnail cache for the runs started from now on; null for none.
    void setSharedThumbnails(std::shared_ptr<const SharedThumbnails> shared);
    // True from start() until finished() or stop().
    bool running() const;
    // Makes these photos (indices into the current run's paths) next, ahead
    // of the others; replaces the previous wish.
    void prioritize(const std::vector<std::size_t>& indices);

signals:
    // The thumbnail of photo INDEX of the current run, packed too for
    // keeping; THUMBNAIL.ok() is false when the file could not be read as a photo.
    void thumbnailReady(std::size_t index, const orlavo::wizard::PhotoThumbnail& thumbnail);
    void finished();

private:
    struct Run;
    // What a worker hands over: a thumbnail, every thumbnail made, or the
    // end of its run's workers.
    enum class ReportKind { Thumbnail, Made, End };
    struct Report {
        std::uint64_t generation = 0;
        std::size_t index = 0;
        PhotoThumbnail thumbnail;
        ReportKind kind = ReportKind::Thumbnail;
    };
    // Worker side: into the inbox, waking the loader's thread if need be.
    void post(Report report);
    // Loader's thread: everything in the inbox, in the order it came.
    Q_INVOKABLE void takeReports();
    void deliver(std::uint64_t generation, std::size_t index, const PhotoThumbnail& thumbnail);
    void runMade(std::uint64_t generation);
    void runEnded(std::uint64_t generation);
    void work(const std::shared_ptr<Run>& run);

    std::mutex inboxMutex_;  // guards the two that follow
    std::vector<Report> inbox_;
    bool wakePending_ = false;

    int threads_;
    std::shared_ptr<const SharedThumbnails> shared_;
    std::uint64_t generation_ = 0;
    std::shared_ptr<Run> current_;            // until its workers end
    bool currentMade_ = false;                // finished() was emitted for current_
    std::vector<std::shared_ptr<Run>> runs_;  // every run whose workers may still be going
};

}  // namespace orlavo::wizard

Q_DECLARE_METATYPE(orlavo::wizard::PhotoThumbnail)
