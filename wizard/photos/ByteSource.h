#pragma once
// Random access to a file's bytes, or to bytes in memory, for the readers of
// photo containers: they visit a few headers spread over a large file and
// must not read it whole.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace orlavo::wizard {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Exactly N bytes from AT into OUT; false when they are not all there.
    virtual bool read(std::uint64_t at, void* out, std::size_t n) = 0;

    // N bytes from AT as a text; empty when they are not all there.
    std::string bytes(std::uint64_t at, std::size_t n);
};

class MemorySource : public ByteSource {
public:
    MemorySource(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t size() const override { return size_; }
    bool read(std::uint64_t at, void* out, std::size_t n) override;

private:
    const unsigned char* data_;
    std::size_t size_;
};

// Reads an open file by position; the file stays the caller's.
class FileSource : public ByteSource {
public:
    explicit FileSource(std::FILE* file);
    std::uint64_t size() const override { return size_; }
    bool read(std::uint64_t at, void* out, std::size_t n) override;

private:
    std::FILE* file_;
    std::uint64_t size_ = 0;
};

}  // namespace orlavo::wizard
