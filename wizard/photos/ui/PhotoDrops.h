#pragma once
// Photos that come to step 1 from outside, for the page to add to the order:
//
// - PhotoDropFilter, on a view's viewport, takes drops from the file manager
//   (text/uri-list): local files and folders are reported by path; addresses
//   of other computers (a browser's) are only counted, nothing is fetched.
//   A drag that started in the watched view itself is left to the view.
// - PhotoIntakeLoader makes the thumbnails of such files (a folder gives its
//   photos) in the background, with the desktop's cache when set, and reports
//   them in the order given, then what to tell the user. Batches given while
//   one is being made follow it.

#include <QObject>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "wizard/photos/PhotoIntake.h"
#include "wizard/photos/ThumbnailMaker.h"

class QAbstractItemView;
class QMimeData;

namespace orlavo::wizard {
class SharedThumbnails;
class ThumbnailLoader;
}  // namespace orlavo::wizard

class PhotoDropFilter : public QObject {
    Q_OBJECT
public:
    // Watches VIEW's viewport; owned by VIEW.
    explicit PhotoDropFilter(QAbstractItemView* view);

    // The local paths in DATA's addresses; REMOTE is set when some were not local.
    static std::vector<std::string> LocalPaths(const QMimeData& data, bool& remote);

signals:
    void dropped(const std::vector<std::string>& paths, bool remote);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAbstractItemView* view_;
};

class PhotoIntakeLoader : public QObject {
    Q_OBJECT
public:
    explicit PhotoIntakeLoader(QObject* parent = nullptr);
    ~PhotoIntakeLoader() override;

    void setSharedThumbnails(std::shared_ptr<const orlavo::wizard::SharedThumbnails> shared);
    // Makes thumbnails of SIDE logical pixels for the photos of PATHS.
    // REMOTE: addresses from the web came with them, to be said once.
    void take(const std::vector<std::string>& paths, bool remote, qreal devicePixelRatio, int side);
    bool busy() const { return current_.has_value(); }

signals:
    // In the order given; THUMBNAIL.ok() is true for each (failures are told at the end).
    void photoMade(const std::string& path, const orlavo::wizard::PhotoThumbnail& thumbnail);
    // The batch is done: the files to name, besides those the page leaves out.
    void done(const orlavo::wizard::IntakeOutcome& outcome);

private:
    struct Batch {
        orlavo::wizard::IntakeList list;
        bool remote = false;
        qreal dpr = 1.0;
        int side = orlavo::wizard::kThumbnailSide;
    };
    struct Current {
        Batch batch;
        std::vector<std::optional<orlavo::wizard::PhotoThumbnail>> made;
        std::size_t next = 0;  // the first not reported yet
        orlavo::wizard::IntakeOutcome outcome;
    };
    void startNext();
    void onThumbnail(std::size_t index, const orlavo::wizard::PhotoThumbnail& thumbnail);
    void reportReady();

    orlavo::wizard::ThumbnailLoader* loader_;
    std::deque<Batch> waiting_;
    std::optional<Current> current_;
};

Q_DECLARE_METATYPE(orlavo::wizard::IntakeOutcome)
