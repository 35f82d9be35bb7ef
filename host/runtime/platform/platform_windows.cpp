// The platform layer on Windows.
#if defined(_WIN32)

#include "platform/host_platform.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <system_error>

namespace quva::platform {

namespace {

[[noreturn]] void fail(DWORD err, const std::string &what) {
    throw std::system_error(static_cast<int>(err), std::system_category(), what);
}

std::string lastErrorText(DWORD err) {
    char *text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, err, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string result = n ? std::string(text, n) : "error " + std::to_string(err);
    if (text) LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == '.')) result.pop_back();
    return result;
}

// A new file next to `path`, opened for writing, whose name no other file has.
HANDLE createTemporaryBeside(const std::filesystem::path &path, std::filesystem::path &temp,
                             DWORD access = GENERIC_WRITE) {
    std::filesystem::path dir = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    for (unsigned attempt = 0;; ++attempt) {
        temp = dir / ("." + path.filename().string() + "." + std::to_string(GetCurrentProcessId()) + "." +
                      std::to_string(GetTickCount64()) + "." + std::to_string(attempt));
        HANDLE file = CreateFileW(temp.c_str(), access, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS || attempt >= 100) return file;
    }
}

DWORD writeAll(HANDLE file, const std::string &text) {
    const char *p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(file, p, chunk, &written, nullptr)) return GetLastError();
        p += written;
        left -= written;
    }
    return 0;
}

}  // namespace

const char *const kModuleSuffix = ".dll";

void *openLibrary(const std::filesystem::path &file, std::string &error) {
    // The module's own folder is searched for the libraries it needs, as well as the usual places.
    HMODULE library = LoadLibraryExW(std::filesystem::absolute(file).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) error = lastErrorText(GetLastError());
    return reinterpret_cast<void *>(library);
}

void *findSymbol(void *library, const char *name) {
    if (!library) return nullptr;
    // GetProcAddress searches the library's own exports only.
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void closeLibrary(void *library) {
    if (library) FreeLibrary(static_cast<HMODULE>(library));
}

std::filesystem::path libraryFile(void *library) {
    if (!library) return {};
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(static_cast<HMODULE>(library), name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) return {};
        if (n < name.size()) return std::filesystem::path(name.substr(0, n));
        name.resize(name.size() * 2);
    }
}

void *allocateAligned(std::size_t alignment, std::size_t bytes) { return _aligned_malloc(bytes, alignment); }

void freeAligned(void *memory) { _aligned_free(memory); }

void writeFileAtomically(const std::filesystem::path &path, const std::string &text) {
    std::filesystem::path temp;
    HANDLE file = createTemporaryBeside(path, temp);
    if (file == INVALID_HANDLE_VALUE) fail(GetLastError(), "cannot create a temporary file beside " + path.string());
    DWORD err = writeAll(file, text);
    // The handle is closed whether or not the data reached the disk.
    if (err == 0 && !FlushFileBuffers(file)) err = GetLastError();
    if (!CloseHandle(file) && err == 0) err = GetLastError();
    if (err == 0 && !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        err = GetLastError();
    if (err != 0) {
        DeleteFileW(temp.c_str());
        fail(err, "cannot write");
    }
}

std::FILE *createFileBeside(const std::filesystem::path &target, std::filesystem::path &created) {
    std::filesystem::path temp;
    // CREATE_NEW: a name that exists is never used.
    HANDLE handle = createTemporaryBeside(target, temp, GENERIC_READ | GENERIC_WRITE);
    if (handle == INVALID_HANDLE_VALUE) fail(GetLastError(), "cannot create a file beside " + target.string());
    const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_RDWR | _O_BINARY);
    std::FILE *file = fd >= 0 ? _fdopen(fd, "w+b") : nullptr;
    if (!file) {
        if (fd >= 0) _close(fd);
        else CloseHandle(handle);
        DeleteFileW(temp.c_str());
        fail(ERROR_OPEN_FAILED, "cannot open " + temp.string());
    }
    created = temp;
    return file;
}

int flushToDisk(std::FILE *file) {
    if (std::fflush(file) != 0) return errno;
    if (!FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))))) return static_cast<int>(GetLastError());
    return 0;
}

int copyPermissions(const std::filesystem::path &, const std::filesystem::path &) { return 0; }

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void noteStopSignal(int signal) {
    g_stopSignal = signal;
    std::signal(signal, noteStopSignal);  // the runtime resets the handler before calling it
}

}  // namespace

void catchStopSignals() {
    // The C runtime turns Ctrl+C into SIGINT and Ctrl+Break into SIGBREAK through its console
    // control handler; a plain signal handler sees them.
    std::signal(SIGINT, noteStopSignal);
    std::signal(SIGTERM, noteStopSignal);
    std::signal(SIGBREAK, noteStopSignal);
}

int stopSignal() { return g_stopSignal == SIGBREAK ? SIGTERM : g_stopSignal; }

void replaceFile(const std::filesystem::path &from, const std::filesystem::path &to) {
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        fail(GetLastError(), "cannot rename " + from.string());
}

std::filesystem::path executableFile() { return libraryFile(GetModuleHandleW(nullptr)); }

bool isTerminal(std::FILE *stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace quva::platform

#endif
