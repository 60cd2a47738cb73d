#pragma once
// Photos in HEIF (HEIC), PNG, TIFF and WebP files: what they declare, their
// pixels and what travels with them (EXIF, XMP, colour profile). HEIF goes
// through libheif; PNG, TIFF and WebP through Qt's image plugins, with the
// containers' headers read by our own code (PhotoContainer).
//
// What the file declares is known before anything is decoded, so a caller
// can refuse a picture beyond its memory budget unread (decodeCost). A file
// that is cut short or damaged gives no picture. The orientation to apply is
// the EXIF one (a TIFF's own tag); a HEIF's pictures come upright already,
// turned and mirrored by its irot and imir properties, and the EXIF
// orientation it may carry is not applied again.
//
// One object is used by one thread at a time; objects on several threads
// at once are safe.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <cstdint>
#include <memory>
#include <string>

#include "wizard/photos/JpegDecoder.h"
#include "wizard/photos/PhotoFormat.h"

namespace orlavo::wizard {

struct PhotoFacts {
    PhotoFormat format = PhotoFormat::Unknown;
    // The size of the pictures decode() gives, before the orientation.
    QSize stored;
    // EXIF orientation 1 to 8 to apply to decode()'s pictures.
    int orientation = 1;
    // The file runs to its declared end.
    bool whole = false;
    int bitDepth = 8;
    bool hasAlpha = false;

    // The size as the photo is seen.
    QSize shown() const { return orientation >= 5 ? stored.transposed() : stored; }
};

class PhotoFile {
public:
    // The photo in the file at PATH; null when the file holds none of these
    // formats or its header cannot be read.
    static std::unique_ptr<PhotoFile> Open(const std::string& path);
    // The same from bytes, which the caller keeps while the object lives.
    static std::unique_ptr<PhotoFile> FromBytes(const unsigned char* data, std::size_t size);

    virtual ~PhotoFile() = default;

    const PhotoFacts& facts() const { return facts_; }
    // The memory a decode of the whole picture takes, in bytes.
    virtual std::uint64_t decodeCost() const = 0;
    // The file's own small picture (a HEIF's thumbnail), oriented as
    // decode()'s pictures are; null when it has none.
    virtual QImage ownThumbnail() { return {}; }
    // The picture, at least NEED where the format decodes at a smaller scale
    // (WebP), otherwise whole. DEEP keeps 16 bits a sample (RGBA64) for a
    // file that has them; otherwise RGB32, or ARGB32 with alpha. The image
    // carries the file's colour space when the file has a profile.
    virtual DecodedPicture decode(QSize need, bool deep) = 0;
    // The EXIF block (TIFF structure) and the XMP packet; empty for none.
    virtual std::string exif() = 0;
    virtual std::string xmp() = 0;

protected:
    PhotoFacts facts_;
};

}  // namespace orlavo::wizard
