#include "wizard/photos/SharedThumbnails.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "wizard/photos/PhotoHeader.h"

namespace orlavo::wizard {

namespace {

// The standard's sizes, smallest first.
constexpr int kSides[] = {128, 256, 512, 1024};
constexpr const char* kFolders[] = {"normal", "large", "x-large", "xx-large"};
// No thumbnail of 1024 pixels is anywhere near this; a larger file is no thumbnail.
constexpr off_t kMaxPngBytes = 8 << 20;
// Proportions a thumbnail may miss its photo's by, besides its pixels' rounding.
constexpr double kAspectTolerance = 0.02;

using Texts = std::vector<std::pair<std::string, std::string>>;

struct FileStat {
    bool ok = false;
    std::uint64_t size = 0;
    std::int64_t mtime = 0;  // whole seconds, as the standard stores it
};

FileStat StatOf(const std::string& path) {
    FileStat f;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        f.ok = true;
        f.size = std::uint64_t(st.st_size);
        f.mtime = std::int64_t(st.st_mtim.tv_sec);
    }
    return f;
}

// A file of at most kMaxPngBytes that is no link and no device.
bool ReadSmallFile(const std::string& path, QByteArray& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok =
        fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size <= kMaxPngBytes;
    if (ok) {
        bytes.resize(qsizetype(st.st_size));
        qsizetype have = 0;
        while (have < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + have, std::size_t(bytes.size() - have));
            if (n <= 0)
                break;
            have += n;
        }
        ok = have == bytes.size();
    }
    ::close(fd);
    return ok;
}

// The picture of a cached PNG no larger than MAX_SIDE, with its texts; null
// for anything else.
QImage ReadCachedPng(const std::string& path, int maxSide) {
    QByteArray bytes;
    if (!ReadSmallFile(path, bytes))
        return {};
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || size.width() > maxSide || size.height() > maxSide)
        return {};
    QImage image;
    if (!reader.read(&image) || image.size() != size)
        return {};
    return image;
}

// Whether IMAGE's texts name the file of URI as STAT has it.
bool Describes(const QImage& image, const std::string& uri, const FileStat& stat) {
    if (image.text("Thumb::URI").toStdString() != uri)
        return false;
    if (image.text("Thumb::MTime").trimmed().toStdString() != std::to_string(stat.mtime))
        return false;
    const QString size = image.text("Thumb::Size").trimmed();
    return size.isEmpty() || size.toStdString() == std::to_string(stat.size);
}

bool MakeFolders(const std::string& folder) {
    std::string sofar;
    std::istringstream parts(folder);
    for (std::string part; std::getline(parts, part, '/');) {
        if (part.empty())
            continue;
        sofar += "/" + part;
        if (::mkdir(sofar.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string MountField(const std::string& field) {
    // Blanks and the like are written as three octal digits after "\".
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            out += char(std::strtol(field.substr(i + 1, 3).c_str(), nullptr, 8));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// The Software text of PNG bytes, read from its chunks without decoding.
std::string PngSoftware(const QByteArray& png) {
    auto be32 = [&](qsizetype at) {
        return quint32(quint8(png[at])) << 24 | quint32(quint8(png[at + 1])) << 16 |
               quint32(quint8(png[at + 2])) << 8 | quint8(png[at + 3]);
    };
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const quint32 length = be32(at);
        if (length > quint32(png.size() - at - 12))
            break;
        const QByteArray data = png.mid(at + 8, length);
        if (png.mid(at + 4, 4) == "tEXt" && data.startsWith(QByteArray("Software\0", 9)))
            return data.mid(9).toStdString();
        at += 12 + qsizetype(length);
    }
    return {};
}

bool SysFlag(const std::string& path) {
    std::ifstream in(path);
    char c = 0;
    return in.get(c) && c == '1';
}

bool IsJpegFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char m[3] = {};
    in.read(reinterpret_cast<char*>(m), 3);
    return in.gcount() == 3 && m[0] == 0xFF && m[1] == 0xD8 && m[2] == 0xFF;
}

}  // namespace

SharedThumbnails::SharedThumbnails(std::string root, std::string version)
    : root_(std::move(root)), version_(std::move(version)) {
    while (root_.size() > 1 && root_.back() == '/')
        root_.pop_back();
    std::ifstream table("/proc/self/mountinfo");
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string id, parent, device, inner, point;
        if (!(fields >> id >> parent >> device >> inner >> point))
            continue;
        Mount m;
        m.point = MountField(point);
        const std::string block = "/sys/dev/block/" + device;
        m.removable = m.point.rfind("/media/", 0) == 0 || m.point.rfind("/run/media/", 0) == 0 ||
                      SysFlag(block + "/removable") || SysFlag(block + "/../removable");
        mounts_.push_back(std::move(m));
    }
    std::stable_sort(mounts_.begin(), mounts_.end(), [](const Mount& a, const Mount& b) {
        return a.point.size() > b.point.size();
    });
}

std::string SharedThumbnails::DefaultRoot() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/')
        return std::string(cache) + "/thumbnails";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.cache/thumbnails";
}

int SharedThumbnails::SideFor(int deviceSide) {
    for (int side : kSides)
        if (deviceSide <= side)
            return side;
    return 0;
}

const char* SharedThumbnails::FolderOf(int side) {
    for (std::size_t i = 0; i < std::size(kSides); ++i)
        if (kSides[i] == side)
            return kFolders[i];
    return "";
}

std::string SharedThumbnails::UriOf(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            std::string_view("!$&'()*+,-./:=@_~").find(char(c)) != std::string_view::npos;
        if (plain) {
            uri += char(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

std::string SharedThumbnails::Md5Hex(const std::string& text) {
    return QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Md5)
        .toHex()
        .toStdString();
}

std::string SharedThumbnails::thumbnailPath(const std::string& path, int side) const {
    return root_ + "/" + FolderOf(side) + "/" + Md5Hex(UriOf(path)) + ".png";
}

std::string SharedThumbnails::failurePath(const std::string& path) const {
    return root_ + "/fail/orlavo-" + version_ + "/" + Md5Hex(UriOf(path)) + ".png";
}

bool SharedThumbnails::onRemovableMedia(const std::string& path) const {
    for (const Mount& m : mounts_) {
        if (m.point == "/" || path == m.point || path.rfind(m.point + "/", 0) == 0)
            return m.removable;
    }
    return false;
}

bool SharedThumbnails::shareable(const std::string& path) const {
    if (path.empty() || path[0] != '/')
        return false;
    // A hidden folder (or file) keeps its photos to itself.
    if (path.find("/.") != std::string::npos)
        return false;
    if (path.rfind(root_ + "/", 0) == 0)
        return false;
    return !onRemovableMedia(path);
}

bool SharedThumbnails::recall(const std::string& path, qreal devicePixelRatio, int side,
                              PhotoThumbnail& out) const {
    const FileStat stat = StatOf(path);
    if (!stat.ok)
        return false;
    const std::string uri = UriOf(path);
    // A file that failed before, and has not changed since, fails again.
    const QImage failure = ReadCachedPng(failurePath(path), 16);
    if (!failure.isNull() && Describes(failure, uri, stat)) {
        out = PhotoThumbnail();
        out.refusal = failure.text("X-Orlavo::Refusal") == "damaged" ? PhotoRefusal::Damaged
                                                                     : PhotoRefusal::Unreadable;
        return true;
    }

    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const int deviceSide = std::max(1, int(std::lround(std::max(1, side) * dpr)));
    const int first = SideFor(deviceSide);
    if (first == 0)
        return false;
    const PhotoHeader header = ReadPhotoHeader(path);
    if (!header.whole || header.fileSize != stat.size)
        return false;
    const QSize shown(header.width, header.height);
    const std::string name = Md5Hex(uri) + ".png";
    for (int bucket : kSides) {
        if (bucket < first)
            continue;
        const QImage cached = ReadCachedPng(root_ + "/" + FolderOf(bucket) + "/" + name, bucket);
        if (cached.isNull() || !Describes(cached, uri, stat))
            continue;
        // Upright and of its size: its proportions are the photo's as seen,
        // and it is as large as its size allows.
        const double want = double(shown.width()) / shown.height();
        const double got = double(cached.width()) / cached.height();
        const double slack = kAspectTolerance + 1.0 / std::min(cached.width(), cached.height());
        if (std::abs(got - want) > want * slack)
            continue;
        if (std::max(cached.width(), cached.height()) <
            std::min(bucket, std::max(shown.width(), shown.height())) - 1)
            continue;
        QImage canvas(deviceSide, deviceSide, QImage::Format_RGB32);
        if (canvas.isNull())
            return false;
        canvas.fill(kThumbnailBackground);
        const QSize fit = FitInto(shown, deviceSide);
        {
            QPainter p(&canvas);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(
                QRect(QPoint((deviceSide - fit.width()) / 2, (deviceSide - fit.height()) / 2), fit),
                cached);
        }
        canvas.setDevicePixelRatio(dpr);
        out = PhotoThumbnail();
        out.image = std::move(canvas);
        out.refusal = PhotoRefusal::None;
        out.fileSize = header.fileSize;
        out.width = header.width;
        out.height = header.height;
        out.lastModified = header.lastModified;
        out.decodedSize = cached.size();
        out.judgedByMarkers = cached.text("X-Orlavo::Decoded") != QLatin1String("1") ||
                              !cached.text("Software").startsWith(QLatin1String("Orlavo "));
        return true;
    }
    return false;
}

void SharedThumbnails::keep(const std::string& path, int deviceSide,
                            const PhotoThumbnail& made) const {
    const FileStat stat = StatOf(path);
    if (!stat.ok)
        return;
    const std::string uri = UriOf(path);
    const Texts stamp = {{"Thumb::URI", uri},
                         {"Thumb::MTime", std::to_string(stat.mtime)},
                         {"Thumb::Size", std::to_string(stat.size)}};
    if (made.ok()) {
        const int bucket = SideFor(deviceSide);
        // Not if the file changed while it was read.
        if (made.shareable.isNull() || bucket == 0 || made.lastModified / 1000 != stat.mtime)
            return;
        const std::string target = thumbnailPath(path, bucket);
        QByteArray before;
        if (StatOf(target).ok &&
            (!ReadSmallFile(target, before) || PngSoftware(before).rfind("Orlavo ", 0) != 0))
            return;  // another program's
        Texts texts = stamp;
        if (IsJpegFile(path))
            texts.push_back({"Thumb::Mimetype", "image/jpeg"});
        // Made from the photo's own data, which decoded whole: a later visit
        // need not decode it again to judge it.
        if (!made.judgedByMarkers)
            texts.push_back({"X-Orlavo::Decoded", "1"});
        texts.push_back({"Thumb::Image::Width", std::to_string(made.width)});
        texts.push_back({"Thumb::Image::Height", std::to_string(made.height)});
        texts.push_back({"Software", software()});
        write(target, made.shareable, texts);
        return;
    }
    if (made.refusal != PhotoRefusal::Unreadable && made.refusal != PhotoRefusal::Damaged)
        return;
    // A file this user cannot open may become readable without changing.
    if (::access(path.c_str(), R_OK) != 0)
        return;
    Texts texts = stamp;
    texts.push_back({"Software", software()});
    texts.push_back(
        {"X-Orlavo::Refusal", made.refusal == PhotoRefusal::Damaged ? "damaged" : "unreadable"});
    QImage dot(1, 1, QImage::Format_ARGB32);
    dot.fill(Qt::transparent);
    write(failurePath(path), dot, texts);
}

bool SharedThumbnails::write(const std::string& target, const QImage& picture,
                             const Texts& texts) const {
    const std::string folder = target.substr(0, target.find_last_of('/'));
    if (!MakeFolders(folder))
        return false;
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        const QImage pixels = picture.convertToFormat(
            picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB888);
        if (!writer.write(pixels))
            return false;
    }
    png = WithPngText(png, texts);
    if (png.isEmpty())
        return false;
    // Written whole under a name of its own, then renamed: a reader sees
    // the old thumbnail or the new one, never a part.
    std::string temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, 0600) == 0;
    for (qsizetype done = 0; ok && done < png.size();) {
        const ssize_t n = ::write(fd, png.constData() + done, std::size_t(png.size() - done));
        ok = n > 0;
        done += ok ? n : 0;
    }
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

QByteArray WithPngText(const QByteArray& png, const Texts& texts) {
    static const char kSignature[] = "\x89PNG\r\n\x1a\n";
    constexpr qsizetype kAfterHeader = 8 + 4 + 4 + 13 + 4;
    if (png.size() < kAfterHeader || png.left(8) != QByteArray(kSignature, 8) ||
        png.mid(8, 8) != QByteArray("\0\0\0\x0dIHDR", 8))
        return {};
    QByteArray chunks;
    for (const auto& [key, value] : texts) {
        if (key.empty() || key.size() > 79 || key.front() == ' ' || key.back() == ' ' ||
            value.find('\0') != std::string::npos)
            return {};
        for (unsigned char c : key)
            if (c < 32 || (c > 126 && c < 161))
                return {};
        QByteArray data = "tEXt";
        data += QByteArray::fromStdString(key);
        data += '\0';
        data += QByteArray::fromStdString(value);
        const quint32 length = quint32(data.size() - 4);
        const quint32 crc =
            quint32(crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
        for (int shift = 24; shift >= 0; shift -= 8)
            chunks += char((length >> shift) & 0xFF);
        chunks += data;
        for (int shift = 24; shift >= 0; shift -= 8)
            chunks += char((crc >> shift) & 0xFF);
    }
    return png.left(kAfterHeader) + chunks + png.mid(kAfterHeader);
}

}  // namespace orlavo::wizard
