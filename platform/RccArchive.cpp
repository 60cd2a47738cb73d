#include "platform/RccArchive.h"

#include <set>
#include <vector>

#include <QByteArray>
#include <QString>

namespace orlavo {

namespace {

// Big-endian reads that fail instead of reading past the end.
class Reader {
public:
    explicit Reader(std::string_view b) : b_(b) {}
    bool has(std::size_t at, std::size_t n) const { return at <= b_.size() && n <= b_.size() - at; }
    std::optional<std::uint32_t> u32(std::size_t at) const {
        if (!has(at, 4))
            return std::nullopt;
        return (std::uint32_t(byte(at)) << 24) | (std::uint32_t(byte(at + 1)) << 16) |
               (std::uint32_t(byte(at + 2)) << 8) | std::uint32_t(byte(at + 3));
    }
    std::optional<std::uint16_t> u16(std::size_t at) const {
        if (!has(at, 2))
            return std::nullopt;
        return static_cast<std::uint16_t>((byte(at) << 8) | byte(at + 1));
    }

private:
    unsigned byte(std::size_t at) const { return static_cast<unsigned char>(b_[at]); }
    std::string_view b_;
};

constexpr std::uint16_t kCompressed = 0x01;
constexpr std::uint16_t kDirectory = 0x02;
constexpr std::uint16_t kCompressedZstd = 0x04;
constexpr int kMaxDepth = 32;
constexpr std::size_t kMaxNodes = 100000;

}  // namespace

std::optional<RccArchive> RccArchive::Parse(std::string bytes) {
    const Reader r(bytes);
    if (bytes.compare(0, 4, "qres") != 0)
        return std::nullopt;
    auto version = r.u32(4);
    auto tree = r.u32(8);
    auto data = r.u32(12);
    auto names = r.u32(16);
    if (!version || !tree || !data || !names || *version < 1 || *version > 3)
        return std::nullopt;
    const std::size_t nodeSize = *version >= 2 ? 22 : 14;
    if (!r.has(*tree, nodeSize))
        return std::nullopt;

    RccArchive archive;
    // Depth-first walk from the root directory, node 0.
    struct Pending {
        std::uint32_t node;
        std::string prefix;
        int depth;
    };
    std::vector<Pending> todo{{0, "", 0}};
    std::set<std::uint32_t> seen;
    while (!todo.empty()) {
        Pending p = std::move(todo.back());
        todo.pop_back();
        if (!seen.insert(p.node).second || seen.size() > kMaxNodes || p.depth > kMaxDepth)
            return std::nullopt;
        const std::size_t at = *tree + std::size_t(p.node) * nodeSize;
        if (!r.has(at, nodeSize))
            return std::nullopt;
        auto flags = r.u16(at + 4);
        std::string path = p.prefix;
        if (p.node != 0) {
            auto nameOffset = r.u32(at);
            const std::size_t nameAt = std::size_t(*names) + *nameOffset;
            auto length = r.u16(nameAt);
            if (!length || *length == 0 || !r.has(nameAt + 6, std::size_t(*length) * 2))
                return std::nullopt;
            std::u16string name;
            for (std::size_t i = 0; i < *length; ++i)
                name.push_back(*r.u16(nameAt + 6 + 2 * i));
            std::string utf8 = QString::fromStdU16String(name).toStdString();
            if (utf8.empty() || utf8.find('/') != std::string::npos)
                return std::nullopt;
            path += utf8;
        }
        if (*flags & kDirectory) {
            auto count = r.u32(at + 6);
            auto first = r.u32(at + 10);
            if (*count > kMaxNodes || std::size_t(*first) + *count > kMaxNodes)
                return std::nullopt;
            if (*count > 0 &&
                !r.has(*tree + (std::size_t(*first) + *count - 1) * nodeSize, nodeSize))
                return std::nullopt;
            std::string prefix = p.node == 0 ? "" : path + "/";
            for (std::uint32_t i = 0; i < *count; ++i)
                todo.push_back({*first + i, prefix, p.depth + 1});
        } else {
            if (p.node == 0)
                return std::nullopt;
            auto dataOffset = r.u32(at + 10);
            const std::size_t dataAt = std::size_t(*data) + *dataOffset;
            auto size = r.u32(dataAt);
            if (!size || !r.has(dataAt + 4, *size))
                return std::nullopt;
            if (*flags & kCompressedZstd)
                continue;  // not something we can unpack
            archive.entries_[path] = Entry{dataAt + 4, *size, (*flags & kCompressed) != 0};
        }
    }
    archive.bytes_ = std::move(bytes);
    return archive;
}

std::optional<std::string> RccArchive::file(std::string_view path) const {
    auto it = entries_.find(path);
    if (it == entries_.end())
        return std::nullopt;
    const Entry& e = it->second;
    if (!e.zlib)
        return bytes_.substr(e.offset, e.size);
    // Qt's own packing: the unpacked size, then a zlib stream.
    if (e.size < 4)
        return std::nullopt;
    QByteArray packed = QByteArray::fromRawData(bytes_.data() + e.offset, qsizetype(e.size));
    QByteArray unpacked = qUncompress(packed);
    if (unpacked.isEmpty())
        return std::nullopt;
    return std::string(unpacked.constData(), std::size_t(unpacked.size()));
}

}  // namespace orlavo
