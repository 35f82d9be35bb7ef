#include "files/binary_file.h"

#include "files/input_error.h"
#include "files/input_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quva {

BinaryFile::BinaryFile(const std::filesystem::path &path) : path_(path) {
    try {
        data_ = readInputFile(path, "library");
    } catch (const InputError &e) {
        throw std::runtime_error(e.what());
    }
}

void BinaryFile::fail(const std::string &what) const { throw std::runtime_error(path_.string() + ": " + what); }

void BinaryFile::need(std::uint64_t offset, std::uint64_t size, const char *what) const {
    if (offset > data_.size() || size > data_.size() - offset) fail(std::string("truncated or corrupt (") + what + ")");
}

std::string BinaryFile::text(std::uint64_t offset, std::uint64_t limit, const char *what) const {
    limit = std::min<std::uint64_t>(limit, data_.size());
    if (offset >= limit) fail(std::string(what) + " outside its table");
    const char *begin = at(offset);
    const char *end = std::find(begin, at(limit), '\0');
    if (end == at(limit)) fail(std::string("unterminated ") + what);
    return std::string(begin, end);
}

}  // namespace quva
