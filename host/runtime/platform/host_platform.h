// The host's platform layer: the few operating-system services the runtime and the command use,
// under one interface. platform_posix.cpp implements it on Linux, platform_windows.cpp on Windows;
// no other host file differs between the two.
#ifndef QUVA_HOST_PLATFORM_H
#define QUVA_HOST_PLATFORM_H

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>

namespace quva::platform {

// File name ending of a vessel module: ".so" or ".dll".
extern const char *const kModuleSuffix;

// Loads a shared library with all its symbols resolved now. Null on failure, with the loader's
// reason in `error`.
void *openLibrary(const std::filesystem::path &file, std::string &error);

// The function or data that `library` itself exports under `name`, or null.
void *findSymbol(void *library, const char *name);

void closeLibrary(void *library);

// The file a loaded library came from; empty when the handle names none.
std::filesystem::path libraryFile(void *library);

// Memory aligned to `alignment` (a power of two dividing `bytes`), released with freeAligned.
// Null when none can be had.
void *allocateAligned(std::size_t alignment, std::size_t bytes);
void freeAligned(void *memory);

// Writes `text` to `path` so that the file holds either its old content or the whole new text,
// whatever happens meanwhile: a temporary file in the same folder, flushed to disk, then renamed
// over the target. Throws std::system_error naming the step that failed; the target is untouched.
void writeFileAtomically(const std::filesystem::path &path, const std::string &text);

// Creates a new file in the folder of `target`, named ".NAME.XXXXXX" after the target's NAME with
// a unique ending, opened for reading and writing. The name is taken exclusively: no existing
// file, nor a link, of that name is ever opened. Sets `created` to its name. Throws
// std::system_error when the folder takes no new file.
std::FILE *createFileBeside(const std::filesystem::path &target, std::filesystem::path &created);

// Flushes `file` and makes its data reach the disk; the error code of the step that failed, or 0.
int flushToDisk(std::FILE *file);

// Gives `file` the permissions of `target` when that exists, else rw-r--r--: a file written over
// keeps them. The error code, or 0.
int copyPermissions(const std::filesystem::path &file, const std::filesystem::path &target);

// From now on SIGINT and SIGTERM (on Windows: Ctrl+C and Ctrl+Break) no longer end the program at
// once: they are noted, for stopSignal to report at the next step boundary. A write beyond the
// file-size limit fails with an error instead of ending the program.
void catchStopSignals();

// The signal that asked the program to stop (SIGINT, SIGTERM), or 0.
int stopSignal();

// Renames `from` to `to`, replacing `to` if it exists, in one step. Throws std::system_error.
void replaceFile(const std::filesystem::path &from, const std::filesystem::path &to);

// The running program's own file.
std::filesystem::path executableFile();

// Whether `stream` writes to a terminal.
bool isTerminal(std::FILE *stream);

}  // namespace quva::platform

#endif
