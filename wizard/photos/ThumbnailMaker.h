#pragma once
// The thumbnail of one photo file: 92 x 92 logical pixels, the picture in
// proportion on grey 0x808080 and upright by its EXIF orientation, made at the
// screen's device pixel ratio so it stays sharp at 200%. It comes from the
// file's EXIF thumbnail when that is large enough and has the photo's
// proportions, otherwise from a DCT-scaled decode (JpegDecoder): a large
// photo is never decoded at full size, a file is read in pieces, and a
// picture that would pass the decoding memory budget is refused unread. The
// pixel size comes from the JPEG header.
//
// HEIF (HEIC), PNG, TIFF and WebP files are read through PhotoFile: a HEIF's
// own thumbnail serves as a JPEG's EXIF thumbnail does (and stands in, soft,
// for a photo too large to decode here), other pictures are decoded within
// the same budget, a transparent one shown on white as the lab receives it.
//
// A photo is offered when it is whole: a decoded one by its decode (every
// line, no data lost), one shown by its EXIF thumbnail by its markers (its
// image data runs to an end marker), one of another format by its container
// (its structure runs to its declared end).
//
// Synchronous, and safe to call from several threads at once.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orlavo::wizard {

inline constexpr int kThumbnailSide = 92;
inline constexpr QRgb kThumbnailBackground = 0xFF808080;

// Why a file has no thumbnail.
enum class PhotoRefusal {
    None,
    Unreadable,  // no photo that can be read
    Damaged,     // cut short, or data in it lost or foreign
    TooLarge,    // decoding it would pass the memory budget
    Stopped,     // the caller stopped it
};

struct PhotoThumbnail {
    // SIDE x SIDE device pixels with the device pixel ratio set; null when the
    // file could not be read as a whole JPEG photo.
    QImage image;
    PhotoRefusal refusal = PhotoRefusal::Unreadable;
    std::uint64_t fileSize = 0;
    // The pixel size as the photo is seen (turned by its orientation); also
    // given with a refusal once the header was read.
    int width = 0;
    int height = 0;
    // Milliseconds since 1970 (UTC); 0 when not known.
    std::int64_t lastModified = 0;
    // Made from the EXIF thumbnail rather than from the photo's own pixels.
    bool fromExif = false;
    // A JPEG judged whole by its markers only (its EXIF thumbnail served, or
    // the desktop's cache did): CheckPhotoWhole() judges its data later.
    bool judgedByMarkers = false;
    // The size the pixels were decoded at (a DCT scale of the photo or its
    // EXIF thumbnail), before the final resampling.
    QSize decodedSize;
    // IMAGE packed for keeping (PackThumbnail), when the maker's caller asked for it.
    QByteArray packed;
    // The upright picture without the square, fitted into the side the
    // caller asked to share it at (never larger than the photo); null otherwise.
    QImage shareable;

    bool ok() const { return !image.isNull(); }
};

// Reads the file at PATH (bytes as the file system names it). SIDE is the
// square's side in logical pixels, for a view that shows larger thumbnails.
// STOP, when given, ends the work as soon as it is set, in the middle of a
// decode too. SHARE_SIDE, when above 0, also keeps the picture for the
// desktop's thumbnail cache at that side in device pixels (the decode then
// covers it too).
PhotoThumbnail MakeThumbnail(const std::string& path, qreal devicePixelRatio = 1.0,
                             int side = kThumbnailSide, const std::atomic<bool>* stop = nullptr,
                             int shareSide = 0);

// Whether the JPEG at PATH decodes to its last line without damage; a
// photo of another format is not judged here (None). Cheap next to a
// thumbnail: the smallest DCT scale, nothing kept. A refusal gives the
// photo's size as MakeThumbnail() would.
PhotoThumbnail CheckPhotoWhole(const std::string& path, const std::atomic<bool>* stop = nullptr);

// From a file's bytes; fileSize and lastModified stay 0.
PhotoThumbnail MakeThumbnailFromBytes(const unsigned char* data, std::size_t size,
                                      qreal devicePixelRatio = 1.0, int side = kThumbnailSide);

// The photo at PATH for a larger view: decoded at the smallest DCT scale that
// still covers SIDE x SIDE device pixels, resampled to fit that square in
// proportion and turned upright by its EXIF orientation. Null when the file
// is not a whole photo (of any format step 1 takes). Synchronous and thread-safe, like the
// thumbnails.
QImage MakePreviewPicture(const std::string& path, int side);

// IMAGE turned upright for the EXIF ORIENTATION (1 to 8; others leave it as
// it is).
QImage UprightPicture(const QImage& image, int orientation);

// A picture of SIZE fitted into a square of SIDE pixels, in proportion
// (neither side below 1); empty for an empty SIZE.
QSize FitInto(QSize size, int side);

// A thumbnail kept small while a folder's thousands wait to be shown: a
// high-quality JPEG, a fraction of its pixels' size. Empty for a null image.
QByteArray PackThumbnail(const QImage& image);
// Back to pixels with DEVICE_PIXEL_RATIO set; null for bytes that are no thumbnail.
QImage UnpackThumbnail(const QByteArray& packed, qreal devicePixelRatio);

// IMAGE turned clockwise by ANGLE in hundredths of a degree (9000 a quarter
// turn clockwise, -9000 counter-clockwise); corners that the turn uncovers are
// black. Quarter turns are exact: four of them give the first picture back,
// and a square stays the same size.
QImage RotateThumbnail(const QImage& image, int angle);

}  // namespace orlavo::wizard
