#include "tests/support/PhotoSamples.h"

#include <libheif/heif.h>
#include <turbojpeg.h>
#include <zlib.h>

#include <QBuffer>
#include <QImageWriter>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace orlavo::test {

namespace {

// Directories of a TIFF structure, laid out by Build(): each directory's
// table, then its values, then the directories it points at.
class TiffBuilder {
public:
    explicit TiffBuilder(bool big) : big_(big) {}

    int directory() {
        dirs_.emplace_back();
        return int(dirs_.size()) - 1;
    }
    void ascii(int dir, unsigned tag, const std::string& text) {
        add(dir, tag, 2, std::uint32_t(text.size() + 1), text + '\0');
    }
    void shortValue(int dir, unsigned tag, unsigned v) { add(dir, tag, 3, 1, u16(v)); }
    void shorts(int dir, unsigned tag, const std::vector<unsigned>& vs) {
        std::string data;
        for (unsigned v : vs)
            data += u16(v);
        add(dir, tag, 3, std::uint32_t(vs.size()), data);
    }
    void longValue(int dir, unsigned tag, std::uint32_t v) { add(dir, tag, 4, 1, u32(v)); }
    void bytes(int dir, unsigned tag, const std::string& data) {
        add(dir, tag, 1, std::uint32_t(data.size()), data);
    }
    void rationals(int dir, unsigned tag,
                   const std::vector<std::pair<std::uint32_t, std::uint32_t>>& rs) {
        std::string data;
        for (auto [n, d] : rs)
            data += u32(n) + u32(d);
        add(dir, tag, 5, std::uint32_t(rs.size()), data);
    }
    void pointer(int dir, unsigned tag, int child) {
        dirs_[std::size_t(dir)].push_back({tag, 4, 1, std::string(4, '\0'), child});
    }

    // The structure with PREFIX (pixels) right after the header; the first
    // directory follows it. PATCH_STRIP: a tag whose value becomes 8, the
    // prefix's offset.
    std::string build(const std::string& prefix = {}) {
        std::string out = big_ ? std::string("MM\0*", 4) : std::string("II*\0", 4);
        out += u32(0);
        out += prefix;
        offsets_.assign(dirs_.size(), 0);
        place(0, out);
        const std::string first = u32(offsets_[0]);
        out.replace(4, 4, first);
        return out;
    }

private:
    struct Entry {
        unsigned tag, type;
        std::uint32_t count;
        std::string data;
        int child = -1;
    };

    void add(int dir, unsigned tag, unsigned type, std::uint32_t count, std::string data) {
        dirs_[std::size_t(dir)].push_back({tag, type, count, std::move(data), -1});
    }

    void place(int dir, std::string& out) {
        if (out.size() % 2)
            out += '\0';
        std::vector<Entry>& entries = dirs_[std::size_t(dir)];
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
        const std::size_t table = out.size();
        offsets_[std::size_t(dir)] = std::uint32_t(table);
        out += u16(unsigned(entries.size()));
        out.append(entries.size() * 12 + 4, '\0');
        for (std::size_t i = 0; i < entries.size(); ++i) {
            Entry& e = entries[i];
            std::string value = e.data;
            if (e.child < 0 && value.size() > 4) {
                if (out.size() % 2)
                    out += '\0';
                const std::uint32_t at = std::uint32_t(out.size());
                out += value;
                value = u32(at);
            }
            value.resize(4, '\0');
            const std::size_t slot = table + 2 + i * 12;
            out.replace(slot, 12, u16(e.tag) + u16(e.type) + u32(e.count) + value);
        }
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].child < 0)
                continue;
            place(entries[i].child, out);
            out.replace(table + 2 + i * 12 + 8, 4, u32(offsets_[std::size_t(entries[i].child)]));
        }
    }

    std::string u16(unsigned v) const {
        const char b[2] = {char((v >> 8) & 0xFF), char(v & 0xFF)};
        return big_ ? std::string{b[0], b[1]} : std::string{b[1], b[0]};
    }
    std::string u32(std::uint32_t v) const {
        return big_ ? u16(v >> 16) + u16(v & 0xFFFF) : u16(v & 0xFFFF) + u16(v >> 16);
    }

    bool big_;
    std::vector<std::vector<Entry>> dirs_;
    std::vector<std::uint32_t> offsets_;
};

void AddPhoneDirectories(TiffBuilder& t, int ifd0, int orientation, bool gps, int width,
                         int height) {
    t.ascii(ifd0, 0x010F, kSampleMake);
    t.ascii(ifd0, 0x0110, kSampleModel);
    if (orientation > 0)
        t.shortValue(ifd0, 0x0112, unsigned(orientation));
    const int exif = t.directory();
    t.ascii(exif, 0x9003, kSampleDate);
    if (width > 0 && height > 0) {
        t.longValue(exif, 0xA002, std::uint32_t(width));
        t.longValue(exif, 0xA003, std::uint32_t(height));
    }
    t.pointer(ifd0, 0x8769, exif);
    if (gps) {
        const int g = t.directory();
        t.bytes(g, 0x0000, std::string("\x02\x03\x00\x00", 4));
        t.ascii(g, 0x0001, "N");
        t.rationals(g, 0x0002, {{48, 1}, {51, 1}, {3024, 100}});
        t.ascii(g, 0x0003, "E");
        t.rationals(g, 0x0004, {{2, 1}, {17, 1}, {4020, 100}});
        t.pointer(ifd0, 0x8825, g);
    }
}

std::string Chunk(const char* type, const std::string& data) {
    std::string c;
    const std::uint32_t n = std::uint32_t(data.size());
    c += char(n >> 24);
    c += char((n >> 16) & 0xFF);
    c += char((n >> 8) & 0xFF);
    c += char(n & 0xFF);
    std::string body = std::string(type, 4) + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()));
    c += body;
    for (int shift = 24; shift >= 0; shift -= 8)
        c += char((crc >> shift) & 0xFF);
    return c;
}

std::string Written(const QImage& picture, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(picture))
        return {};
    return bytes.toStdString();
}

std::string Le32(std::uint32_t v) {
    return std::string{char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF),
                       char((v >> 24) & 0xFF)};
}

heif_error WriteTo(heif_context*, const void* data, size_t size, void* userdata) {
    static_cast<std::string*>(userdata)->append(static_cast<const char*>(data), size);
    return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

}  // namespace

std::string PhoneExif(bool bigEndian, int orientation, bool gps, int width, int height) {
    TiffBuilder t(bigEndian);
    const int ifd0 = t.directory();
    AddPhoneDirectories(t, ifd0, orientation, gps, width, height);
    return t.build();
}

std::string PhoneXmp(bool location) {
    std::string x =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
        " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        "  <rdf:Description rdf:about=\"\"\n"
        "    xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"\n"
        "    xmlns:ps=\"http://ns.adobe.com/photoshop/1.0/\"\n"
        "    xmlns:Iptc4xmpCore=\"http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/\"\n"
        "    xmlns:exif=\"http://ns.adobe.com/exif/1.0/\"\n"
        "    xmp:Rating=\"4\"";
    if (location)
        x += "\n    ps:City=\"Paris\" ps:Country=\"France\" Iptc4xmpCore:Location=\"Champ de "
             "Mars\"";
    x += ">\n";
    if (location)
        x += "   <exif:GPSLatitude>48,51.504N</exif:GPSLatitude>\n"
             "   <exif:GPSLongitude>2,17.67E</exif:GPSLongitude>\n";
    x += "   <exif:DateTimeOriginal>2023-07-14T10:11:12</exif:DateTimeOriginal>\n"
         "  </rdf:Description>\n"
         " </rdf:RDF>\n"
         "</x:xmpmeta>\n"
         "<?xpacket end=\"w\"?>";
    return x;
}

std::string HeicBytes(const QImage& picture, int orientation, const std::string& exif,
                      const std::string& xmp, int thumbnailSide, const QByteArray& icc,
                      int quality) {
    heif_init(nullptr);
    std::unique_ptr<heif_context, void (*)(heif_context*)> ctx(heif_context_alloc(),
                                                               heif_context_free);
    heif_encoder* encoder = nullptr;
    if (heif_context_get_encoder_for_format(ctx.get(), heif_compression_HEVC, &encoder).code !=
        heif_error_Ok)
        return {};
    heif_encoder_set_lossy_quality(encoder, quality);
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    heif_image* image = nullptr;
    heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                      &image);
    heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plane + std::size_t(y) * stride, rgb.constScanLine(y),
                    std::size_t(rgb.width()) * 3);
    if (!icc.isEmpty())
        heif_image_set_raw_color_profile(image, "prof", icc.constData(), std::size_t(icc.size()));
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = static_cast<heif_orientation>(orientation);
    heif_image_handle* handle = nullptr;
    heif_context_encode_image(ctx.get(), image, encoder, options, &handle);
    if (handle && thumbnailSide > 0) {
        heif_image_handle* thumbnail = nullptr;
        heif_context_encode_thumbnail(ctx.get(), image, handle, encoder, options, thumbnailSide,
                                      &thumbnail);
        if (thumbnail)
            heif_image_handle_release(thumbnail);
    }
    if (handle && !exif.empty())
        heif_context_add_exif_metadata(ctx.get(), handle, exif.data(), int(exif.size()));
    if (handle && !xmp.empty())
        heif_context_add_XMP_metadata(ctx.get(), handle, xmp.data(), int(xmp.size()));
    heif_encoding_options_free(options);
    heif_image_release(image);
    heif_encoder_release(encoder);
    std::string out;
    if (handle) {
        heif_image_handle_release(handle);
        heif_writer writer{1, &WriteTo};
        heif_context_write(ctx.get(), &writer, &out);
    }
    return out;
}

std::string PngBytes(const QImage& picture, const std::string& exif, const std::string& xmp) {
    std::string png = Written(picture, "png");
    if (png.size() < 33)
        return png;
    std::string extra;
    if (!exif.empty())
        extra += Chunk("eXIf", exif);
    if (!xmp.empty())
        extra += Chunk("iTXt", std::string("XML:com.adobe.xmp\0\0\0\0\0", 22) + xmp);
    // After the signature (8) and the header chunk (25).
    return png.substr(0, 33) + extra + png.substr(33);
}

std::string WebpBytes(const QImage& picture, const std::string& exif) {
    const std::string simple = Written(picture, "webp", 100);
    if (exif.empty() || simple.size() < 20)
        return simple;
    // The simple format's one chunk, put into the extended format with VP8X.
    const std::string image = simple.substr(12);
    const bool alpha = picture.hasAlphaChannel();
    std::string vp8x;
    vp8x += char(0x08 | (alpha ? 0x10 : 0));
    vp8x += std::string(3, '\0');
    vp8x += Le32(std::uint32_t(picture.width() - 1)).substr(0, 3);
    vp8x += Le32(std::uint32_t(picture.height() - 1)).substr(0, 3);
    std::string body = "WEBP";
    body += "VP8X" + Le32(10) + vp8x;
    body += image;
    body += "EXIF" + Le32(std::uint32_t(exif.size())) + exif;
    if (exif.size() % 2)
        body += '\0';
    return "RIFF" + Le32(std::uint32_t(body.size())) + body;
}

std::string TiffBytes(const QImage& picture, int orientation, bool deep, bool gps) {
    const QImage rgb =
        picture.convertToFormat(deep ? QImage::Format_RGBX64 : QImage::Format_RGB888);
    std::string pixels;
    for (int y = 0; y < rgb.height(); ++y) {
        if (deep) {
            const auto* row = reinterpret_cast<const QRgba64*>(rgb.constScanLine(y));
            for (int x = 0; x < rgb.width(); ++x) {
                for (std::uint16_t v : {row[x].red(), row[x].green(), row[x].blue()}) {
                    pixels += char(v & 0xFF);  // little-endian samples
                    pixels += char(v >> 8);
                }
            }
        } else {
            pixels.append(reinterpret_cast<const char*>(rgb.constScanLine(y)),
                          std::size_t(rgb.width()) * 3);
        }
    }
    TiffBuilder t(false);
    const int ifd0 = t.directory();
    t.longValue(ifd0, 256, std::uint32_t(rgb.width()));
    t.longValue(ifd0, 257, std::uint32_t(rgb.height()));
    t.shorts(ifd0, 258, {deep ? 16u : 8u, deep ? 16u : 8u, deep ? 16u : 8u});
    t.shortValue(ifd0, 259, 1);
    t.shortValue(ifd0, 262, 2);
    t.longValue(ifd0, 273, 8);
    t.shortValue(ifd0, 277, 3);
    t.longValue(ifd0, 278, std::uint32_t(rgb.height()));
    t.longValue(ifd0, 279, std::uint32_t(pixels.size()));
    t.shortValue(ifd0, 284, 1);
    AddPhoneDirectories(t, ifd0, orientation, gps, 0, 0);
    return t.build(pixels);
}

std::string JpegBytes(const QImage& picture, const std::string& exif, const std::string& xmp) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    tjhandle h = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(h, rgb.constBits(), rgb.width(), int(rgb.bytesPerLine()), rgb.height(), TJPF_RGB,
                &out, &size, TJSAMP_420, 90, 0);
    std::string jpeg(reinterpret_cast<const char*>(out), size);
    tjFree(out);
    tjDestroy(h);
    const auto app1 = [](const std::string& id, const std::string& payload) {
        const std::size_t n = 2 + id.size() + payload.size();
        return std::string("\xFF\xE1", 2) + char(n >> 8) + char(n & 0xFF) + id + payload;
    };
    std::string segments;
    if (!exif.empty())
        segments += app1(std::string("Exif\0\0", 6), exif);
    if (!xmp.empty())
        segments += app1(std::string("http://ns.adobe.com/xap/1.0/\0", 29), xmp);
    return jpeg.substr(0, 2) + segments + jpeg.substr(2);
}

QImage DeepRamp(int width, int height, int low, int high) {
    QImage image(width, height, QImage::Format_RGBA64);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgba64*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const auto v =
                std::uint16_t(low + (std::int64_t(high - low) * x) / std::max(1, width - 1));
            row[x] = QRgba64::fromRgba64(v, v, v, 65535);
        }
    }
    return image;
}

}  // namespace orlavo::test
