#include "files/input_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "files/input_error.h"

namespace quva {

std::string inputFileProblem(const std::filesystem::path &path, const std::string &kind) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // status() follows symbolic links: a link to a regular file is read as that file.
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st)) return "cannot read the " + kind + ": no such file";
    if (fs::is_directory(st)) return "is a folder, not a " + kind;
    if (!fs::is_regular_file(st)) return "is not a regular file (a pipe, device or socket), not a " + kind;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) return "cannot read the " + kind + ": " + ec.message();
    if (size > kMaxInputFileBytes)
        return "is " + std::to_string(size) + " bytes long; the largest " + kind + " read is " +
               std::to_string(kMaxInputFileBytes) + " bytes";
    return {};
}

std::string readInputFile(const std::filesystem::path &path, const std::string &kind) {
    const std::string file = path.string();
    if (std::string problem = inputFileProblem(path, kind); !problem.empty()) throw InputError(file, 0, problem);
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(file, 0, "cannot read the " + kind + ": " + std::strerror(errno));
    std::string text;
    constexpr std::size_t kChunk = 1 << 16;
    std::string buffer(kChunk, '\0');
    // Read in pieces up to the limit: the size seen above may have grown since.
    while (in) {
        in.read(buffer.data(), kChunk);
        text.append(buffer.data(), static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxInputFileBytes)
            throw InputError(file, 0, "grew beyond " + std::to_string(kMaxInputFileBytes) + " bytes while being read");
    }
    if (in.bad()) throw InputError(file, 0, "cannot read the " + kind);
    return text;
}

std::string tooLargeToReadBack(std::uintmax_t bytes) {
    if (bytes <= kMaxInputFileBytes) return {};
    return "the scenario to save is " + std::to_string(bytes) + " bytes, more than the " +
           std::to_string(kMaxInputFileBytes) + " quva reads, so it would not load again; nothing was written";
}

}  // namespace quva
