// Reading a file that comes from outside (a scenario, a class configuration, a mesh, a module
// library) whole into memory. Every reader goes through here, so that each of them refuses the
// same things before reading: a name that is no regular file (a folder, a FIFO, a device, which
// could hang the reader or feed it without end) and a file larger than kMaxInputFileBytes (whose
// text would take memory without bound).
#ifndef QUVA_HOST_INPUT_FILE_H
#define QUVA_HOST_INPUT_FILE_H

#include <cstdint>
#include <filesystem>
#include <string>

namespace quva {

// The largest input file the host reads: 64 MiB, hundreds of times the largest scenario or mesh
// that a real add-on holds (a 100,000-vessel scenario is about 10 MB).
constexpr std::uintmax_t kMaxInputFileBytes = std::uintmax_t{64} << 20;

// What quva writes for it to read again (a saved scenario) must be no larger than what it reads:
// the problem with a text of `bytes` bytes, or empty.
std::string tooLargeToReadBack(std::uintmax_t bytes);

// Why `path` cannot be read as an input file ("is a folder, not a KIND", "is not a regular file
// ...", "is larger than ..."), or empty when it can. `kind` names what the file should be, for
// the message ("scenario file", "module").
std::string inputFileProblem(const std::filesystem::path &path, const std::string &kind);

// The file's whole content. Throws InputError naming the file (line 0) when it cannot be read or
// inputFileProblem names a problem; never reads more than kMaxInputFileBytes, even from a file
// that grows while it is read.
std::string readInputFile(const std::filesystem::path &path, const std::string &kind);

}  // namespace quva

#endif
