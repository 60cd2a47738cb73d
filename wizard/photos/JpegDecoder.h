#pragma once
// Scaled decoding of one JPEG picture through libjpeg, for thumbnails and
// the print preview, with three guards against hostile files:
//
// - Memory. What a decode would take is worked out from the header before a
//   pixel is decoded: the picture it gives, libjpeg's rows, and for a
//   progressive or multi-scan file the coefficients of the whole frame
//   (2 bytes each, at any output scale). A picture that alone would pass
//   kDecodeBudgetBytes is refused; decodes that run at once share that
//   budget, and one that does not fit waits for the others to end.
// - Reading. A file is read in pieces of 64 KiB, never whole.
// - Judgement. A picture is whole when its decode reaches its last line
//   without a warning that data was lost (premature end, corrupt or missing
//   entropy-coded data) and with few stray bytes before its end marker.
//
// CMYK and YCCK pictures (print and layout tools) come out as RGB; Adobe's
// inverted CMYK is told by its APP14 marker.
//
// Synchronous; safe to call from several threads at once.

#include <QImage>
#include <QSize>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace orlavo::wizard {

// Memory that the decodes running at once may take together.
inline constexpr std::uint64_t kDecodeBudgetBytes = 192ULL << 20;
// Stray bytes between the picture's data and its end marker that still
// leave it whole (some cameras pad there); more mean foreign data.
inline constexpr std::uint64_t kStrayBytes = 4096;

enum class DecodeVerdict {
    Whole,
    NotJpeg,   // no picture libjpeg can read: no header, or no way to RGB
    Damaged,   // data lost: cut short, corrupt, or foreign bytes in it
    TooLarge,  // would pass the memory budget; nothing was decoded
    Stopped,   // the caller's stop flag was set
};

struct DecodedPicture {
    // RGB32 at the smallest DCT scale that covers the size asked for; null
    // unless the verdict is Whole.
    QImage image;
    DecodeVerdict verdict = DecodeVerdict::NotJpeg;
    // The frame's size as stored, once the header could be read.
    QSize stored;
};

// A share of kDecodeBudgetBytes, held while a decode runs and given back
// when the share goes. Decodes of other formats take one too, so that all
// decodes running at once stay within the budget.
class DecodeShare {
public:
    DecodeShare() = default;
    ~DecodeShare();
    DecodeShare(const DecodeShare&) = delete;
    DecodeShare& operator=(const DecodeShare&) = delete;
    // Waits until BYTES fit (small decodes do not wait); false when STOP is
    // set meanwhile. Once per share.
    bool take(std::uint64_t bytes, const std::atomic<bool>* stop);

private:
    std::uint64_t bytes_ = 0;
};

// Decodes DATA at the smallest scale whose picture covers NEED (in the
// stored orientation). STOP, when given, is polled while the decode runs.
DecodedPicture DecodeJpeg(const unsigned char* data, std::size_t size, QSize need,
                          const std::atomic<bool>* stop = nullptr);

// The same from FILE, whose first HEAD_SIZE bytes are HEAD (already read,
// the file positioned after them); the rest is read in pieces.
DecodedPicture DecodeJpegFile(std::FILE* file, const unsigned char* head, std::size_t headSize,
                              QSize need, const std::atomic<bool>* stop = nullptr);

}  // namespace orlavo::wizard
