#pragma once
// The desktop's thumbnail cache, shared with the file manager and other
// programs as the freedesktop.org Thumbnail Managing Standard describes:
// $XDG_CACHE_HOME/thumbnails/{normal,large,x-large,xx-large}/<md5 of the
// file's URI>.png, each a PNG of at most 128, 256, 512 or 1024 pixels that
// says in its text chunks which file (Thumb::URI) and which version of it
// (Thumb::MTime, Thumb::Size) it shows, already upright.
//
// Before a decode the loader asks recall(): a current thumbnail of the
// smallest size that covers the shown square gives the photo's thumbnail,
// its pixel size and its wholeness coming from its header (PhotoHeader); a
// failure recorded under fail/orlavo-<version>/ for the same modification
// time gives the refusal again. After a decode, keep() writes the thumbnail
// (or the failure) in the standard's form: tEXt chunks, a temporary name
// renamed into place, files 0600 in folders made 0700.
//
// Privacy: photos in hidden folders, on removable media or inside the cache
// are neither looked up nor written (shareable()). A thumbnail another
// program wrote is never replaced or removed. Cached PNGs are untrusted:
// size caps before reading, and anything odd means "decode the photo".
//
// Immutable once made; safe to use from several threads at once.

#include <QByteArray>
#include <QImage>
#include <string>
#include <utility>
#include <vector>

#include "wizard/photos/ThumbnailMaker.h"

namespace orlavo::wizard {

class SharedThumbnails {
public:
    // ROOT is the cache's folder; VERSION the program's ("2.0.44.3"), which
    // names its failure folder and its Software text.
    SharedThumbnails(std::string root, std::string version);

    // $XDG_CACHE_HOME/thumbnails, or ~/.cache/thumbnails.
    static std::string DefaultRoot();

    // The side of the smallest standard size that holds DEVICE_SIDE pixels
    // (128, 256, 512 or 1024), 0 beyond the largest.
    static int SideFor(int deviceSide);
    static const char* FolderOf(int side);
    // The file's URI as the desktop writes it (GLib's escaping), and the MD5
    // of a text in lower-case hex.
    static std::string UriOf(const std::string& path);
    static std::string Md5Hex(const std::string& text);

    // Whether PATH's thumbnails may be looked up and written.
    bool shareable(const std::string& path) const;

    // A thumbnail of SIDE logical pixels for PATH from the cache, or the
    // failure recorded for it; false when the photo must be decoded.
    bool recall(const std::string& path, qreal devicePixelRatio, int side,
                PhotoThumbnail& out) const;
    // After a decode at DEVICE_SIDE: writes MADE's shareable picture, or
    // records that the file could not be read.
    void keep(const std::string& path, int deviceSide, const PhotoThumbnail& made) const;

    // Where PATH's thumbnail of SIDE, and its failure, are kept.
    std::string thumbnailPath(const std::string& path, int side) const;
    std::string failurePath(const std::string& path) const;
    const std::string& root() const { return root_; }
    // The Software text of what Orlavo writes.
    std::string software() const { return "Orlavo " + version_; }

private:
    struct Mount {
        std::string point;
        bool removable = false;
    };
    bool onRemovableMedia(const std::string& path) const;
    bool write(const std::string& target, const QImage& picture,
               const std::vector<std::pair<std::string, std::string>>& texts) const;

    std::string root_;
    std::string version_;
    std::vector<Mount> mounts_;  // longest mount point first
};

// PNG bytes with a tEXt chunk for each KEY and VALUE (Latin-1, no NUL) after
// the header chunk; empty when PNG is no PNG or a text cannot be written.
QByteArray WithPngText(const QByteArray& png,
                       const std::vector<std::pair<std::string, std::string>>& texts);

}  // namespace orlavo::wizard
