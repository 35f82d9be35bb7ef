// The platform layer on Linux and other POSIX systems.
#if !defined(_WIN32)

#include "platform/host_platform.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <system_error>

namespace quva::platform {

namespace {

[[noreturn]] void fail(int err, const std::string &what) { throw std::system_error(err, std::generic_category(), what); }

// Writes all of `text` to `fd`, resuming after interruptions and partial writes.
int writeAll(int fd, const std::string &text) {
    const char *p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace

const char *const kModuleSuffix = ".so";

void *openLibrary(const std::filesystem::path &file, std::string &error) {
    void *library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char *why = dlerror();
        error = why ? why : "unknown reason";
    }
    return library;
}

void *findSymbol(void *library, const char *name) {
    if (!library) return nullptr;  // dlsym would take null for the global scope
    void *symbol = dlsym(library, name);
    if (!symbol) return nullptr;
    // dlsym also searches the library's dependencies; keep only what the library itself defines.
    Dl_info info;
    void *owner = nullptr;
    void *self = nullptr;
    if (dladdr1(symbol, &info, &owner, RTLD_DL_LINKMAP) == 0 || dlinfo(library, RTLD_DI_LINKMAP, &self) != 0 ||
        owner != self)
        return nullptr;
    return symbol;
}

void closeLibrary(void *library) {
    if (library) dlclose(library);
}

std::filesystem::path libraryFile(void *library) {
    struct link_map *map = nullptr;
    if (library && dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name) return map->l_name;
    return {};
}

void *allocateAligned(std::size_t alignment, std::size_t bytes) {
    void *memory = std::aligned_alloc(alignment, bytes);
    // A request, not a requirement: without huge pages the memory works the same.
    if (memory) ::madvise(memory, bytes, MADV_HUGEPAGE);
    return memory;
}

void freeAligned(void *memory) { std::free(memory); }

void writeFileAtomically(const std::filesystem::path &path, const std::string &text) {
    std::filesystem::path dir = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string temp = (dir / ("." + path.filename().string() + ".XXXXXX")).string();
    int fd = mkstemp(temp.data());
    if (fd < 0) fail(errno, "cannot create a temporary file in " + dir.string());
    int err = writeAll(fd, text);
    // The descriptor is closed whether or not the data reached the disk.
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    // A file written over keeps its permissions; a new one gets the usual rw-r--r--.
    struct stat old;
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    if (err == 0 && ::chmod(temp.c_str(), mode) != 0) err = errno;
    if (err == 0 && std::rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(temp.c_str());
        fail(err, "cannot write");
    }
    // The rename itself reaches the disk with the folder's entry; until then a power cut may
    // leave the old file, which is whole.
    int folder = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

std::FILE *createFileBeside(const std::filesystem::path &target, std::filesystem::path &created) {
    const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string name = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    // mkstemp opens with O_CREAT | O_EXCL: a name that exists, as a file or a link, is never used.
    const int fd = ::mkstemp(name.data());
    if (fd < 0) fail(errno, "cannot create a file in " + dir.string());
    std::FILE *file = ::fdopen(fd, "w+b");
    if (!file) {
        const int err = errno;
        ::close(fd);
        ::unlink(name.c_str());
        fail(err, "cannot open " + name);
    }
    created = name;
    return file;
}

int flushToDisk(std::FILE *file) {
    if (std::fflush(file) != 0) return errno;
    if (::fsync(::fileno(file)) != 0) return errno;
    return 0;
}

int copyPermissions(const std::filesystem::path &file, const std::filesystem::path &target) {
    struct stat old;
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    return ::chmod(file.c_str(), mode) == 0 ? 0 : errno;
}

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void noteStopSignal(int signal) { g_stopSignal = signal; }

}  // namespace

void catchStopSignals() {
    struct sigaction action = {};
    action.sa_handler = noteStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    // Past the file-size limit a write then fails with EFBIG, which the writer reports.
    std::signal(SIGXFSZ, SIG_IGN);
}

int stopSignal() { return g_stopSignal; }

void replaceFile(const std::filesystem::path &from, const std::filesystem::path &to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) fail(errno, "cannot rename " + from.string());
}

std::filesystem::path executableFile() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe;
}

bool isTerminal(std::FILE *stream) { return ::isatty(::fileno(stream)) != 0; }

}  // namespace quva::platform

#endif
