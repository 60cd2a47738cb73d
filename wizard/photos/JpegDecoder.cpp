#include "wizard/photos/JpegDecoder.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <chrono>
#include <condition_variable>
#include <csetjmp>
#include <mutex>
#include <vector>

namespace orlavo::wizard {

namespace {

constexpr std::size_t kPieceBytes = 64 * 1024;
// As TurboJPEG's own limit: a file of thousands of tiny scans is a time bomb.
constexpr int kMaxScans = 500;
// Decodes below this do not wait for the shared budget (the window thread's
// own small thumbnails among them); their sum is bounded by the threads.
constexpr std::uint64_t kSmallDecodeBytes = 4ULL << 20;
// libjpeg's tables and row buffers beyond what is counted by the picture.
constexpr std::uint64_t kWorkBytes = 1ULL << 20;
// Room left to libjpeg's own memory limit above our count, which it checks
// when it makes the whole-frame coefficient buffer.
constexpr std::uint64_t kLimitSlack = 16ULL << 20;

constexpr J_COLOR_SPACE kRgb32Space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// The memory of the decodes running at once, in bytes.
class Budget {
public:
    // Waits until BYTES fit; false when STOP is set meanwhile.
    bool take(std::uint64_t bytes, const std::atomic<bool>* stop) {
        std::unique_lock lock(mutex_);
        while (used_ + bytes > kDecodeBudgetBytes) {
            if (stop && stop->load())
                return false;
            freed_.wait_for(lock, std::chrono::milliseconds(50));
        }
        used_ += bytes;
        return true;
    }
    void give(std::uint64_t bytes) {
        {
            std::lock_guard lock(mutex_);
            used_ -= bytes;
        }
        freed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable freed_;
    std::uint64_t used_ = 0;
};

Budget& SharedBudget() {
    static Budget budget;
    return budget;
}

// The warnings after which the picture misses some of its data.
bool LosesData(int code) {
    switch (code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JWRN_MUST_RESYNC:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_ARITH_BAD_CODE:
        case JWRN_BOGUS_PROGRESSION:
        case JWRN_NOT_SEQUENTIAL:
            return true;
        default:
            return false;
    }
}

// One decode: libjpeg's state and what its callbacks found. libjpeg reports
// errors by a call that must not return; ours jumps back to the step that
// was running (Guarded), whose frame holds nothing with a destructor.
struct Job {
    explicit Job(const std::atomic<bool>* stopFlag) : stop(stopFlag) {
        cinfo.err = jpeg_std_error(&err);
        err.error_exit = &ErrorExit;
        err.emit_message = &EmitMessage;
        err.output_message = [](j_common_ptr) {};
        cinfo.client_data = this;
        progress.progress_monitor = &Progress;
    }
    ~Job() {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    [[noreturn]] void fail(DecodeVerdict verdict) {
        failure = verdict;
        std::longjmp(jump, 1);
    }

    static Job& Of(j_common_ptr c) { return *static_cast<Job*>(c->client_data); }
    static Job& Of(j_decompress_ptr c) { return *static_cast<Job*>(c->client_data); }

    [[noreturn]] static void ErrorExit(j_common_ptr c) {
        // libjpeg's own memory limit, should our count of a decode fall short.
        const int code = c->err->msg_code;
        if (code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY)
            Of(c).failure = DecodeVerdict::TooLarge;
        std::longjmp(Of(c).jump, 1);
    }

    static void EmitMessage(j_common_ptr c, int level) {
        if (level >= 0)
            return;  // a trace, not a warning
        Job& job = Of(c);
        const int code = c->err->msg_code;
        if (code == JWRN_EXTRANEOUS_DATA) {
            job.strayBytes += static_cast<unsigned>(c->err->msg_parm.i[0]);
            if (job.strayBytes > kStrayBytes)
                job.fail(DecodeVerdict::Damaged);
        } else if (LosesData(code)) {
            job.fail(DecodeVerdict::Damaged);
        }
    }

    static void Progress(j_common_ptr c) {
        Job& job = Of(c);
        if (job.stop && job.stop->load(std::memory_order_relaxed))
            job.fail(DecodeVerdict::Stopped);
        if (job.cinfo.input_scan_number > kMaxScans)
            job.fail(DecodeVerdict::Damaged);
    }

    // The source: HEAD first, then pieces of FILE when there is one.
    void useSource(std::FILE* f, const unsigned char* h, std::size_t n) {
        file = f;
        head = h;
        headSize = n;
        if (file)
            piece.resize(kPieceBytes);
        source.init_source = [](j_decompress_ptr) {};
        source.fill_input_buffer = &Fill;
        source.skip_input_data = &Skip;
        source.resync_to_restart = &jpeg_resync_to_restart;
        source.term_source = [](j_decompress_ptr) {};
        source.bytes_in_buffer = 0;
        source.next_input_byte = nullptr;
    }

    static boolean Fill(j_decompress_ptr c) {
        Job& job = Of(c);
        if (!job.headGiven) {
            job.headGiven = true;
            if (job.headSize > 0) {
                c->src->next_input_byte = job.head;
                c->src->bytes_in_buffer = job.headSize;
                return TRUE;
            }
        }
        // Past the last line only the end marker is due: a few stray bytes
        // at most, not the rest of a large file read a byte at a time.
        if (job.allLines && job.readAfterLastLine > kStrayBytes)
            job.fail(DecodeVerdict::Damaged);
        const std::size_t n =
            job.file ? std::fread(job.piece.data(), 1, job.piece.size(), job.file) : 0;
        if (n == 0) {
            WARNMS(c, JWRN_JPEG_EOF);  // ends the decode as damaged
            job.fail(DecodeVerdict::Damaged);
        }
        if (job.allLines)
            job.readAfterLastLine += n;
        c->src->next_input_byte = job.piece.data();
        c->src->bytes_in_buffer = n;
        return TRUE;
    }

    static void Skip(j_decompress_ptr c, long count) {
        if (count <= 0)
            return;
        auto left = static_cast<std::size_t>(count);
        while (left > c->src->bytes_in_buffer) {
            left -= c->src->bytes_in_buffer;
            c->src->bytes_in_buffer = 0;
            Fill(c);
        }
        c->src->next_input_byte += left;
        c->src->bytes_in_buffer -= left;
    }

    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    jpeg_progress_mgr progress{};
    jpeg_source_mgr source{};
    std::jmp_buf jump{};
    bool created = false;
    const std::atomic<bool>* stop;
    // What a jump out of libjpeg means, unless a callback said otherwise.
    DecodeVerdict failure = DecodeVerdict::NotJpeg;
    std::uint64_t strayBytes = 0;
    bool allLines = false;

    std::FILE* file = nullptr;
    const unsigned char* head = nullptr;
    std::size_t headSize = 0;
    bool headGiven = false;
    std::uint64_t readAfterLastLine = 0;
    std::vector<JOCTET> piece;
};

// Runs STEP; false when libjpeg jumped out of it.
template <class Step>
bool Guarded(Job& job, const Step& step) {
    if (setjmp(job.jump) != 0)
        return false;
    step();
    return true;
}

std::uint64_t RoundUp(std::uint64_t n, int multiple) {
    const auto m = static_cast<std::uint64_t>(multiple > 0 ? multiple : 1);
    return (n + m - 1) / m * m;
}

// What the decode at the chosen scale takes: the picture, libjpeg's rows,
// and for a file of several scans the coefficients of the whole frame,
// which it keeps at any output scale.
std::uint64_t Cost(const jpeg_decompress_struct& c) {
    const std::uint64_t width = c.output_width;
    std::uint64_t bytes = width * c.output_height * 4;
    bytes += width * static_cast<std::uint64_t>(c.num_components) * 64 + kWorkBytes;
    const bool multiScan = c.progressive_mode || c.comps_in_scan < c.num_components;
    if (multiScan) {
        for (int i = 0; i < c.num_components; ++i) {
            const jpeg_component_info& comp = c.comp_info[i];
            bytes += RoundUp(comp.width_in_blocks, comp.h_samp_factor) *
                     RoundUp(comp.height_in_blocks, comp.v_samp_factor) * sizeof(JBLOCK);
        }
    }
    return bytes;
}

// One row of CMYK samples as RGB32. Adobe's tools write the samples
// inverted (255 = no ink); others write the ink itself.
void CmykRow(const JSAMPLE* in, QRgb* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, in += 4) {
        int c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
    }
}

DecodedPicture Decode(Job& job, QSize need) {
    DecodedPicture out;
    jpeg_decompress_struct& c = job.cinfo;
    if (!Guarded(job, [&] {
            jpeg_create_decompress(&c);
            job.created = true;
        }))
        return out;
    c.progress = &job.progress;
    c.src = &job.source;
    if (!Guarded(job, [&] { jpeg_read_header(&c, TRUE); }))
        return out;
    out.stored = QSize(static_cast<int>(c.image_width), static_cast<int>(c.image_height));
    const bool cmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
    const bool rgb = c.jpeg_color_space == JCS_GRAYSCALE || c.jpeg_color_space == JCS_YCbCr ||
                     c.jpeg_color_space == JCS_RGB;
    if (out.stored.isEmpty() || (!cmyk && !rgb))
        return out;
    // From here on, a failure is damage to a picture that has a header.
    job.failure = DecodeVerdict::Damaged;
    c.out_color_space = cmyk ? JCS_CMYK : kRgb32Space;
    c.dct_method = JDCT_IFAST;
    c.do_fancy_upsampling = FALSE;
    c.scale_denom = 8;
    if (!Guarded(job, [&] {
            for (c.scale_num = 1; c.scale_num < 8; ++c.scale_num) {
                jpeg_calc_output_dimensions(&c);
                if (int(c.output_width) >= need.width() && int(c.output_height) >= need.height())
                    return;
            }
            jpeg_calc_output_dimensions(&c);
        }))
        return out;

    const std::uint64_t cost = Cost(c);
    if (cost > kDecodeBudgetBytes) {
        out.verdict = DecodeVerdict::TooLarge;
        return out;
    }
    DecodeShare share;
    if (!share.take(cost, job.stop)) {
        out.verdict = DecodeVerdict::Stopped;
        return out;
    }
    c.mem->max_memory_to_use = static_cast<long>(cost + kLimitSlack);
    QImage image(static_cast<int>(c.output_width), static_cast<int>(c.output_height),
                 QImage::Format_RGB32);
    if (image.isNull()) {
        out.verdict = DecodeVerdict::TooLarge;
        return out;
    }
    std::vector<JSAMPROW> rows(c.output_height);
    for (JDIMENSION y = 0; y < c.output_height; ++y)
        rows[y] = image.scanLine(static_cast<int>(y));
    std::vector<JSAMPLE> cmykRow(cmyk ? std::size_t(c.output_width) * 4 : 0);

    if (!Guarded(job, [&] { jpeg_start_decompress(&c); })) {
        out.verdict = job.failure;
        return out;
    }
    const bool inverted = c.saw_Adobe_marker;
    if (!Guarded(job, [&] {
            while (c.output_scanline < c.output_height) {
                if (cmyk) {
                    JSAMPROW row = cmykRow.data();
                    const JDIMENSION y = c.output_scanline;
                    jpeg_read_scanlines(&c, &row, 1);
                    CmykRow(row, reinterpret_cast<QRgb*>(rows[y]), c.output_width, inverted);
                } else {
                    jpeg_read_scanlines(&c, rows.data() + c.output_scanline,
                                        c.output_height - c.output_scanline);
                }
            }
            job.allLines = true;
            jpeg_finish_decompress(&c);
        })) {
        out.verdict = job.failure;
        return out;
    }
    out.verdict = DecodeVerdict::Whole;
    out.image = std::move(image);
    return out;
}

}  // namespace

DecodeShare::~DecodeShare() {
    if (bytes_ > 0)
        SharedBudget().give(bytes_);
}

bool DecodeShare::take(std::uint64_t bytes, const std::atomic<bool>* stop) {
    if (bytes < kSmallDecodeBytes)
        return true;
    if (bytes_ > 0)
        return false;
    if (!SharedBudget().take(bytes, stop))
        return false;
    bytes_ = bytes;
    return true;
}

DecodedPicture DecodeJpeg(const unsigned char* data, std::size_t size, QSize need,
                          const std::atomic<bool>* stop) {
    if (!data || size == 0)
        return {};
    Job job(stop);
    job.useSource(nullptr, data, size);
    return Decode(job, need);
}

DecodedPicture DecodeJpegFile(std::FILE* file, const unsigned char* head, std::size_t headSize,
                              QSize need, const std::atomic<bool>* stop) {
    if (!file)
        return {};
    Job job(stop);
    job.useSource(file, head, headSize);
    return Decode(job, need);
}

}  // namespace orlavo::wizard
