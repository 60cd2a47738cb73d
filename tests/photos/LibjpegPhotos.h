#pragma once
// JPEG files that TurboJPEG does not write, made with libjpeg itself: CMYK
// and YCCK pictures with or without Adobe's marker, grey pictures, and
// sequential pictures whose components come in scans of their own.

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/photos/TestPhotos.h"

namespace orlavo::test {

struct LibjpegLayout {
    J_COLOR_SPACE input = JCS_RGB;
    J_COLOR_SPACE stored = JCS_YCbCr;
    bool adobeMarker = true;  // as libjpeg sets it for the stored space, or off
    bool progressive = false;
    bool scanPerComponent = false;  // sequential, one scan for each component
};

// SAMPLES holds WIDTH x HEIGHT pixels of the input space's components.
inline std::string CompressWithLibjpeg(const std::vector<unsigned char>& samples, int width,
                                       int height, int components, const LibjpegLayout& layout) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = components;
    c.in_color_space = layout.input;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, layout.stored);
    jpeg_set_quality(&c, 90, TRUE);
    for (int i = 0; i < c.num_components; ++i)
        c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    if (!layout.adobeMarker)
        c.write_Adobe_marker = FALSE;
    std::vector<jpeg_scan_info> scans;
    if (layout.progressive) {
        jpeg_simple_progression(&c);
    } else if (layout.scanPerComponent) {
        for (int i = 0; i < c.num_components; ++i)
            scans.push_back({1, {i, 0, 0, 0}, 0, 63, 0, 0});
        c.scan_info = scans.data();
        c.num_scans = int(scans.size());
    }
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(samples.data()) +
                       std::size_t(c.next_scanline) * width * components;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    std::string jpeg(reinterpret_cast<const char*>(out), size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return jpeg;
}

// Ink quadrants: top-left cyan, top-right magenta, bottom-left yellow,
// bottom-right black; written inverted (255 = no ink) as Adobe's tools do
// when INVERTED.
inline std::string CmykQuadrants(int width, int height, J_COLOR_SPACE stored, bool adobeMarker,
                                 bool inverted) {
    std::vector<unsigned char> samples;
    samples.reserve(std::size_t(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int quadrant = (y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0);
            for (int ink = 0; ink < 4; ++ink) {
                const unsigned char full = ink == quadrant ? 255 : 0;
                samples.push_back(inverted ? 255 - full : full);
            }
        }
    LibjpegLayout layout;
    layout.input = JCS_CMYK;
    layout.stored = stored;
    layout.adobeMarker = adobeMarker;
    return CompressWithLibjpeg(samples, width, height, 4, layout);
}

// PICTURE as a JPEG laid out as LAYOUT says (grey when it stores grey).
inline std::string EncodeWithLibjpeg(const QImage& picture, LibjpegLayout layout) {
    const bool grey = layout.stored == JCS_GRAYSCALE;
    const QImage pixels =
        picture.convertToFormat(grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    const int components = grey ? 1 : 3;
    std::vector<unsigned char> samples;
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar* line = pixels.constScanLine(y);
        samples.insert(samples.end(), line, line + pixels.width() * components);
    }
    layout.input = grey ? JCS_GRAYSCALE : JCS_RGB;
    return CompressWithLibjpeg(samples, pixels.width(), pixels.height(), components, layout);
}

}  // namespace orlavo::test
