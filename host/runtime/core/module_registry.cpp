#include "core/module_registry.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>

#include "files/input_error.h"
#include "files/input_file.h"
#include "files/name_lookup.h"
#include "platform/host_platform.h"

namespace quva {

namespace {

// Per thread: simulations on other threads may load modules at the same time.
thread_local ModuleRegistry *g_loading = nullptr;

class LoadingScope {
public:
    explicit LoadingScope(ModuleRegistry *r) : saved_(g_loading) { g_loading = r; }
    ~LoadingScope() { g_loading = saved_; }
    LoadingScope(const LoadingScope &) = delete;
    LoadingScope &operator=(const LoadingScope &) = delete;

private:
    ModuleRegistry *saved_;
};

// A class or module name names a file under Config/Vessels or Modules, possibly in a subfolder
// ("Quva/Capsule"), never outside: an absolute name would replace the folder in the path, and ".."
// would climb out of it, and a library loaded from anywhere runs its own code as it loads.
bool staysInsideTree(const std::string &name) {
    if (name.empty() || name.front() == '/' || name.front() == '\\' || std::filesystem::path(name).has_root_name())
        return false;
    // Either separator counts, whichever platform reads the name.
    for (std::size_t begin = 0; begin <= name.size();) {
        const std::size_t end = std::min(name.find_first_of("/\\", begin), name.size());
        if (name.compare(begin, end - begin, "..") == 0) return false;
        begin = end + 1;
    }
    return true;
}

}  // namespace

ModuleRegistry *ModuleRegistry::loading() { return g_loading; }

namespace {

std::atomic<bool> g_keepLoaded{false};

// One more reference to each module, never given back, once modules are kept loaded.
void keepReference(const std::filesystem::path &file) {
    static std::mutex lock;
    static std::set<std::filesystem::path> kept;
    std::lock_guard<std::mutex> guard(lock);
    if (!kept.insert(file).second) return;
    std::string why;
    platform::openLibrary(file, why);
}

}  // namespace

void ModuleRegistry::keepModulesLoaded() { g_keepLoaded = true; }

ModuleRegistry::ModuleRegistry(std::vector<std::filesystem::path> roots) : roots_(std::move(roots)) {}

// As the simulator's file system finds it: the exact name, else the one name that differs only in
// case (two such: AmbiguousName, naming both); '\' in a class or module name separates folders.
std::optional<std::filesystem::path> ModuleRegistry::find(const std::filesystem::path &relative) const {
    const std::string name = relative.generic_string();
    for (const auto &root : roots_)
        if (auto file = findWithoutCase(root, name)) return file;
    return std::nullopt;
}

std::string ModuleRegistry::places(const std::filesystem::path &relative) const {
    std::string out;
    for (const auto &root : roots_)
        out += (out.empty() ? "" : " or ") + (root / withForwardSlashes(relative.generic_string())).string();
    return out;
}

std::optional<std::filesystem::path> ModuleRegistry::configFile(const std::string &className) const {
    if (auto file = find(std::filesystem::path("Config") / "Vessels" / (className + ".cfg"))) return file;
    return find(std::filesystem::path("Config") / (className + ".cfg"));
}

// The module's file in the first tree that has it, else where it would be in the first tree.
std::filesystem::path ModuleRegistry::moduleFile(const std::string &name) const {
    const std::filesystem::path relative = std::filesystem::path("Modules") / (name + platform::kModuleSuffix);
    if (auto file = find(relative)) return *file;
    const std::filesystem::path spelled = withForwardSlashes(relative.generic_string());
    return roots_.empty() ? spelled : roots_.front() / spelled;
}

ModuleRegistry::~ModuleRegistry() { unloadAll(); }

void ModuleRegistry::unloadAll() {
    classes_.clear();
    while (!modules_.empty()) {
        platform::closeLibrary(modules_.back()->handle);
        modules_.pop_back();
    }
}

std::optional<ClassConfig> ModuleRegistry::readConfig(const std::string &className) const {
    const auto file = configFile(className);
    if (!file) return std::nullopt;
    // Anything of that name that is no regular file (a folder, a pipe) is an error rather than an
    // empty class: the reader refuses it.
    ClassConfig cfg = parseClassConfig(readInputFile(*file, "class configuration"), file->string());
    // BaseClass: Config/NAME.cfg read first, its own base before it; this file's keys then count.
    std::vector<std::string> chain{className};
    while (cfg.baseClass) {
        const std::string name = *cfg.baseClass;
        const std::filesystem::path relative = std::filesystem::path("Config") / (name + ".cfg");
        if (std::find(chain.begin(), chain.end(), name) != chain.end() || chain.size() > 32)
            throw std::runtime_error("vessel class " + className + ": BaseClass " + name + " in " + cfg.file.string() +
                                     " leads back to a class already read");
        chain.push_back(name);
        if (!staysInsideTree(name)) throw std::runtime_error("BaseClass name \"" + name + "\" is not valid");
        const auto baseFile = find(relative);
        if (!baseFile)
            throw std::runtime_error("vessel class " + className + ": BaseClass " + name + " named in " +
                                     cfg.file.string() + " not found (looked for " + places(relative) + ")");
        ClassConfig base = parseClassConfig(readInputFile(*baseFile, "class configuration"), baseFile->string());
        std::optional<std::string> next = base.baseClass;
        std::optional<std::string> module = cfg.module;
        std::filesystem::path own = cfg.file;
        cfg = withBaseClass(base, std::move(cfg));
        cfg.module = module;
        cfg.file = own;
        cfg.baseClass = next;
    }
    if (cfg.collisionHull) {
        // Config/NAME.dat; one that is missing or malformed is ignored, as the simulator does.
        const std::filesystem::path relative = std::filesystem::path("Config") / (*cfg.collisionHull + ".dat");
        std::string problem;
        if (const auto hullFile = find(relative)) {
            cfg.hull = parseCollisionHull(readInputFile(*hullFile, "collision hull"), hullFile->string(), problem);
        } else {
            problem = cfg.file.string() + ": CollisionHull " + *cfg.collisionHull + " not found (looked for " +
                      places(relative) + "); the class has no hull";
        }
        if (!problem.empty()) cfg.warnings.push_back(problem);
    }
    return cfg;
}

bool ModuleRegistry::knows(const std::string &className) const {
    if (classes_.count(className)) return true;
    if (!staysInsideTree(className)) return false;
    auto it = known_.find(className);
    if (it != known_.end()) return it->second;
    bool found = true;
    try {
        found = configFile(className) || find(std::filesystem::path("Modules") / (className + platform::kModuleSuffix));
    } catch (const AmbiguousName &) {
        // Known by name; which file it is stays to be told when the class is loaded, at its line.
    }
    known_.emplace(className, found);
    return found;
}

Module &ModuleRegistry::loadModule(const std::string &name) {
    for (auto &m : modules_)
        if (m->name == name) return *m;
    if (!staysInsideTree(name)) throw std::runtime_error("module name \"" + name + "\" is not valid");
    auto module = std::make_unique<Module>();
    module->name = name;
    module->file = moduleFile(name);
    std::error_code ec;
    if (!std::filesystem::exists(module->file, ec))
        throw std::runtime_error("module " + module->file.string() + " not found");
    // The loader would wait forever on a pipe, and map a device or folder: only a regular file is
    // handed to it.
    if (std::string problem = inputFileProblem(module->file, "module library"); !problem.empty())
        throw std::runtime_error(module->file.string() + ": " + problem);
    std::string why;
    {
        LoadingScope scope(this);
        module->handle = platform::openLibrary(module->file, why);
    }
    if (!module->handle) throw std::runtime_error("cannot load module " + module->file.string() + ": " + why);
    if (g_keepLoaded) keepReference(module->file);
    module->ovcInit = reinterpret_cast<VESSEL *(*)(OBJHANDLE, int)>(platform::findSymbol(module->handle, "ovcInit"));
    module->ovcExit = reinterpret_cast<void (*)(VESSEL *)>(platform::findSymbol(module->handle, "ovcExit"));
    modules_.push_back(std::move(module));
    return *modules_.back();
}

const VesselClass &ModuleRegistry::vesselClass(const std::string &className) {
    auto it = classes_.find(className);
    if (it != classes_.end()) return it->second;
    if (!staysInsideTree(className)) throw std::runtime_error("vessel class name \"" + className + "\" is not valid");
    VesselClass vc;
    vc.name = className;
    vc.config = readConfig(className);
    std::string moduleName = className;
    if (vc.config && vc.config->module) moduleName = *vc.config->module;
    const std::filesystem::path moduleRelative = std::filesystem::path("Modules") / (moduleName + platform::kModuleSuffix);
    const bool hasModuleFile = find(moduleRelative).has_value();
    if (!vc.config && !hasModuleFile)
        throw std::runtime_error("vessel class " + className + " has neither a module (" + places(moduleRelative) +
                                 ") nor a configuration (" +
                                 places(std::filesystem::path("Config") / "Vessels" / (className + ".cfg")) + ")");
    if (vc.config && vc.config->module && !hasModuleFile) {
        vc.unloadable = "vessel class " + className + ": module " + moduleName + " named in " +
                        vc.config->file.string() + " not found (looked for " + places(moduleRelative) + ")";
    } else if (hasModuleFile) {
        try {
            vc.module = &loadModule(moduleName);
            if (!vc.module->ovcInit) {
                vc.unloadable = "vessel class " + className + ": module " + vc.module->file.string() +
                                " does not export ovcInit";
                vc.module = nullptr;
            }
        } catch (const std::exception &e) {
            vc.unloadable = "vessel class " + className + ": " + e.what();
        }
        if (vc.module && !vc.module->ovcExit)
            throw std::runtime_error("vessel class " + className + ": module " + vc.module->file.string() +
                                     " does not export ovcExit");
    }
    return classes_.emplace(className, std::move(vc)).first->second;
}

}  // namespace quva
