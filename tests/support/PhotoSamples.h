#pragma once
// Photos as phones and programs save them, made at test time: HEIC through
// libheif's own encoder (with irot/imir, a thumbnail, EXIF, XMP and a colour
// profile), PNG and WebP through Qt with their EXIF and XMP chunks put in,
// TIFF written here with its EXIF and GPS directories, and the EXIF blocks
// and XMP packets of a phone photo taken somewhere.

#include <QByteArray>
#include <QImage>
#include <filesystem>
#include <fstream>
#include <string>

namespace orlavo::test {

// The place every sample was taken: 48 deg 51' 30.24" N, 2 deg 17' 40.20" E.
inline constexpr const char* kSampleMake = "Phonemaker";
inline constexpr const char* kSampleModel = "Phone 12";
inline constexpr const char* kSampleDate = "2023:07:14 10:11:12";

// An EXIF block (TIFF structure): camera, orientation (none when 0), the
// date taken and the pixel size in an EXIF directory, and a GPS directory
// when GPS.
std::string PhoneExif(bool bigEndian, int orientation, bool gps, int width = 0, int height = 0);

// An XMP packet with a rating and, when LOCATION, the city, country,
// location and GPS position (exif:GPSLatitude as an element, the rest as
// attributes).
std::string PhoneXmp(bool location);

// PICTURE stored as it is, with the HEIF ORIENTATION (1 to 8, the EXIF
// meaning) written as irot/imir; a thumbnail that fits THUMBNAIL_SIDE when
// not 0; EXIF, XMP and an ICC profile when given.
std::string HeicBytes(const QImage& picture, int orientation = 1, const std::string& exif = {},
                      const std::string& xmp = {}, int thumbnailSide = 0,
                      const QByteArray& icc = {}, int quality = 90);

// PICTURE as PNG (16 bits a sample for RGBA64), with eXIf and an XMP iTXt
// after the header when given.
std::string PngBytes(const QImage& picture, const std::string& exif = {},
                     const std::string& xmp = {});

// PICTURE as lossless WebP, with an EXIF chunk when given.
std::string WebpBytes(const QImage& picture, const std::string& exif = {});

// PICTURE as an uncompressed RGB TIFF (16 bits a sample when DEEP), with
// Make, Model, ORIENTATION (none when 0), an EXIF directory with the date,
// and a GPS directory when GPS.
std::string TiffBytes(const QImage& picture, int orientation, bool deep, bool gps);

// PICTURE as JPEG (quality 90, 4:2:0) with the EXIF block and XMP packet
// in APP1 segments when given.
std::string JpegBytes(const QImage& picture, const std::string& exif = {},
                      const std::string& xmp = {});

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

// 16 bits a sample: a left-to-right ramp of grey from LOW to HIGH (of 65535),
// so fine that 8 bits alone would band.
QImage DeepRamp(int width, int height, int low, int high);

}  // namespace orlavo::test
