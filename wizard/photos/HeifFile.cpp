#include "wizard/photos/HeifFile.h"

#include <libheif/heif.h>

#include <QColorSpace>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "wizard/photos/ByteSource.h"
#include "wizard/photos/PhotoContainer.h"

namespace orlavo::wizard {

namespace {

// Wider or higher than any camera's picture: libheif refuses it unread.
constexpr int kMaxSide = 32768;
constexpr std::uint64_t kWorkBytes = 4ULL << 20;
// nclx colour primaries of Display P3 (SMPTE EG 432-1).
constexpr int kPrimariesP3 = 12;
constexpr std::size_t kMaxMetadataBytes = 4u << 20;

void InitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { heif_init(nullptr); });
}

struct Context {
    heif_context* ctx = heif_context_alloc();
    ~Context() {
        if (ctx)
            heif_context_free(ctx);
    }
};

struct Handle {
    heif_image_handle* h = nullptr;
    ~Handle() {
        if (h)
            heif_image_handle_release(h);
    }
};

struct Options {
    heif_decoding_options* o = heif_decoding_options_alloc();
    Options() {
        if (o && o->version >= 2)
            o->convert_hdr_to_8bit = 1;
    }
    ~Options() { heif_decoding_options_free(o); }
};

// The decoded picture of HANDLE as a QImage that owns libheif's buffer.
QImage DecodeHandle(const heif_image_handle* handle) {
    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    Options options;
    heif_image* image = nullptr;
    const heif_error error = heif_decode_image(
        handle, &image, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.o);
    if (error.code != heif_error_Ok || image == nullptr) {
        if (image)
            heif_image_release(image);
        return {};
    }
    int stride = 0;
    uint8_t* pixels = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const int w = heif_image_get_width(image, heif_channel_interleaved);
    const int h = heif_image_get_height(image, heif_channel_interleaved);
    if (pixels == nullptr || w <= 0 || h <= 0 || stride < w * (alpha ? 4 : 3)) {
        heif_image_release(image);
        return {};
    }
    // The picture's pixels stay libheif's until the image lets them go.
    return QImage(
        pixels, w, h, stride, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888,
        [](void* info) { heif_image_release(static_cast<heif_image*>(info)); }, image);
}

class HeifPhotoFile : public PhotoFile {
public:
    bool open(const std::string& path, const unsigned char* data, std::size_t size) {
        InitOnce();
        if (!context_.ctx)
            return false;
        heif_context_set_maximum_image_size_limit(context_.ctx, kMaxSide);
        heif_error error{};
        if (data != nullptr) {
            error = heif_context_read_from_memory_without_copy(context_.ctx, data, size, nullptr);
            MemorySource source(data, size);
            facts_.whole = HeifBoxesWhole(source);
        } else {
            error = heif_context_read_from_file(context_.ctx, path.c_str(), nullptr);
            if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
                FileSource source(f);
                facts_.whole = HeifBoxesWhole(source);
                std::fclose(f);
            }
        }
        if (error.code != heif_error_Ok ||
            heif_context_get_primary_image_handle(context_.ctx, &primary_.h).code !=
                heif_error_Ok ||
            primary_.h == nullptr)
            return false;
        facts_.format = PhotoFormat::Heif;
        facts_.stored = QSize(heif_image_handle_get_width(primary_.h),
                              heif_image_handle_get_height(primary_.h));
        facts_.bitDepth = heif_image_handle_get_luma_bits_per_pixel(primary_.h);
        facts_.hasAlpha = heif_image_handle_has_alpha_channel(primary_.h) != 0;
        return !facts_.stored.isEmpty();
    }

    std::uint64_t decodeCost() const override {
        // The decoder's planes (at worst three full ones, two bytes a sample
        // beyond 8 bits), then the interleaved picture.
        const std::uint64_t pixels = std::uint64_t(facts_.stored.width()) * facts_.stored.height();
        const std::uint64_t planes = facts_.bitDepth > 8 ? 6 : 3;
        return pixels * (planes + (facts_.hasAlpha ? 4 : 3)) + kWorkBytes;
    }

    QImage ownThumbnail() override {
        heif_item_id id = 0;
        if (heif_image_handle_get_list_of_thumbnail_IDs(primary_.h, &id, 1) != 1)
            return {};
        Handle thumbnail;
        if (heif_image_handle_get_thumbnail(primary_.h, id, &thumbnail.h).code != heif_error_Ok ||
            thumbnail.h == nullptr)
            return {};
        const QSize size(heif_image_handle_get_width(thumbnail.h),
                         heif_image_handle_get_height(thumbnail.h));
        // A thumbnail is small; one that claims otherwise is not used.
        if (size.isEmpty() || size.width() > 4096 || size.height() > 4096)
            return {};
        return DecodeHandle(thumbnail.h);
    }

    DecodedPicture decode(QSize, bool) override {
        DecodedPicture out;
        out.stored = facts_.stored;
        QImage image = DecodeHandle(primary_.h);
        if (image.isNull()) {
            out.verdict = DecodeVerdict::Damaged;
            return out;
        }
        const QByteArray icc = profile();
        if (!icc.isEmpty())
            image.setColorSpace(QColorSpace::fromIccProfile(icc));
        out.image = std::move(image);
        out.verdict = DecodeVerdict::Whole;
        return out;
    }

    std::string exif() override {
        const std::string raw = metadata("Exif", nullptr);
        // Four bytes of offset to the TIFF header come first.
        if (raw.size() < 4)
            return {};
        const std::uint32_t skip = std::uint32_t(std::uint8_t(raw[0])) << 24 |
                                   std::uint32_t(std::uint8_t(raw[1])) << 16 |
                                   std::uint32_t(std::uint8_t(raw[2])) << 8 | std::uint8_t(raw[3]);
        if (skip > raw.size() - 4)
            return {};
        return raw.substr(4 + skip);
    }

    std::string xmp() override { return metadata("mime", "application/rdf+xml"); }

private:
    // The first metadata block of TYPE (and CONTENT_TYPE when given).
    std::string metadata(const char* type, const char* contentType) {
        const int n = heif_image_handle_get_number_of_metadata_blocks(primary_.h, type);
        if (n <= 0)
            return {};
        std::vector<heif_item_id> ids(static_cast<std::size_t>(n));
        heif_image_handle_get_list_of_metadata_block_IDs(primary_.h, type, ids.data(), n);
        for (heif_item_id id : ids) {
            const char* content = heif_image_handle_get_metadata_content_type(primary_.h, id);
            if (contentType && (!content || std::strcmp(content, contentType) != 0))
                continue;
            const std::size_t size = heif_image_handle_get_metadata_size(primary_.h, id);
            if (size == 0 || size > kMaxMetadataBytes)
                continue;
            std::string bytes(size, '\0');
            if (heif_image_handle_get_metadata(primary_.h, id, bytes.data()).code == heif_error_Ok)
                return bytes;
        }
        return {};
    }

    // The ICC profile, or Display P3's for a picture that names its primaries.
    QByteArray profile() {
        const heif_color_profile_type type = heif_image_handle_get_color_profile_type(primary_.h);
        if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
            const std::size_t size = heif_image_handle_get_raw_color_profile_size(primary_.h);
            if (size == 0 || size > kMaxMetadataBytes)
                return {};
            QByteArray icc(qsizetype(size), '\0');
            if (heif_image_handle_get_raw_color_profile(primary_.h, icc.data()).code ==
                heif_error_Ok)
                return icc;
            return {};
        }
        heif_color_profile_nclx* nclx = nullptr;
        if (heif_image_handle_get_nclx_color_profile(primary_.h, &nclx).code != heif_error_Ok ||
            nclx == nullptr)
            return {};
        const bool p3 = nclx->color_primaries == kPrimariesP3;
        heif_nclx_color_profile_free(nclx);
        return p3 ? QColorSpace(QColorSpace::DisplayP3).iccProfile() : QByteArray();
    }

    Context context_;
    Handle primary_;
};

}  // namespace

std::unique_ptr<PhotoFile> OpenHeif(const std::string& path, const unsigned char* data,
                                    std::size_t size) {
    auto file = std::make_unique<HeifPhotoFile>();
    if (!file->open(path, data, size))
        return nullptr;
    return file;
}

}  // namespace orlavo::wizard
