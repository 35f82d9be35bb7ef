// A whole file read into memory for parsing its binary layout. The file may come from anywhere,
// so every read is checked against the file's size and a failure names the file.
#ifndef QUVA_HOST_BINARY_FILE_H
#define QUVA_HOST_BINARY_FILE_H

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace quva {

class BinaryFile {
public:
    explicit BinaryFile(const std::filesystem::path &path);
    // Bytes already in memory, under the name `path` for messages.
    BinaryFile(std::filesystem::path path, std::string data) : path_(std::move(path)), data_(std::move(data)) {}

    [[noreturn]] void fail(const std::string &what) const;

    // Throws unless [offset, offset + size) lies inside the file.
    void need(std::uint64_t offset, std::uint64_t size, const char *what) const;

    // A little-endian unsigned integer at `offset`.
    template <typename T>
    T read(std::uint64_t offset) const {
        need(offset, sizeof(T), "field");
        T v = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            v |= static_cast<T>(static_cast<T>(static_cast<unsigned char>(data_[offset + i])) << (8 * i));
        return v;
    }

    std::uint8_t byte(std::uint64_t offset) const { return read<std::uint8_t>(offset); }

    // The zero-terminated text at `offset`, which must end inside [offset, limit).
    std::string text(std::uint64_t offset, std::uint64_t limit, const char *what) const;

    std::size_t size() const { return data_.size(); }
    const char *at(std::uint64_t offset) const { return data_.data() + offset; }

private:
    std::filesystem::path path_;
    std::string data_;
};

}  // namespace quva

#endif
