// Vessel classes and the modules behind them. The module of class C is Modules/C.so unless
// Config/Vessels/C.cfg (or Config/C.cfg) names another with "Module = NAME". A class with a
// configuration file and no module is flown by the host alone. Each file is looked for in every
// tree in turn; the first tree that has it gives it.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "VesselAPI.h"
#include "files/class_config.h"

namespace quva {

class Module {
public:
    std::string name;
    std::filesystem::path file;
    void *handle = nullptr;
    VESSEL *(*ovcInit)(OBJHANDLE, int) = nullptr;
    void (*ovcExit)(VESSEL *) = nullptr;
};

struct VesselClass {
    std::string name;
    Module *module = nullptr;                   // null: defined by its configuration alone
    std::optional<ClassConfig> config;
    // Set when the class's module cannot be loaded (missing, no library for this platform, no
    // ovcInit): what was tried and why it failed. Such a vessel is either refused or, when the
    // user asks for it, carried along as read.
    std::optional<std::string> unloadable;
    mutable bool warned = false;  // the configuration's warnings have been given
};

// One line per module that introduced itself with InitLib while it was being loaded.
struct InitLibRecord {
    HINSTANCE handle = nullptr;
    std::string logLine;
};

class ModuleRegistry {
public:
    explicit ModuleRegistry(std::vector<std::filesystem::path> roots);
    ~ModuleRegistry();  // unloads every module, the last loaded first
    ModuleRegistry(const ModuleRegistry &) = delete;
    ModuleRegistry &operator=(const ModuleRegistry &) = delete;

    // The class, its module loaded on first use. Throws std::runtime_error naming the class when
    // it has neither module nor configuration, or its module lacks ovcExit. A module that cannot
    // be loaded or lacks ovcInit leaves the class `unloadable`.
    const VesselClass &vesselClass(const std::string &className);
    bool knows(const std::string &className) const;  // without loading anything

    // Loads Modules/NAME.so (once). Throws std::runtime_error on failure.
    Module &loadModule(const std::string &name);
    void unloadAll();

    const std::vector<std::filesystem::path> &roots() const { return roots_; }
    const std::vector<InitLibRecord> &initLibCalls() const { return initLib_; }
    void recordInitLib(InitLibRecord record) { initLib_.push_back(std::move(record)); }

    static ModuleRegistry *loading();  // the registry whose dlopen is in progress, if any

    // From now on, every module a registry loads stays loaded until the process ends, instead of
    // being unloaded with the last registry that uses it: for a script that makes thousands of
    // simulations one after another. A module is then introduced to the host (InitLib) once.
    static void keepModulesLoaded();

private:
    std::optional<ClassConfig> readConfig(const std::string &className) const;
    // The file at `relative` in the first tree that has it.
    std::optional<std::filesystem::path> find(const std::filesystem::path &relative) const;
    // `relative` in every tree, for a message that tells where a file was looked for.
    std::string places(const std::filesystem::path &relative) const;
    std::optional<std::filesystem::path> configFile(const std::string &className) const;
    std::filesystem::path moduleFile(const std::string &name) const;

    std::vector<std::filesystem::path> roots_;
    std::vector<std::unique_ptr<Module>> modules_;  // in load order
    std::map<std::string, VesselClass> classes_;
    std::vector<InitLibRecord> initLib_;
    mutable std::map<std::string, bool> known_;
};

}  // namespace quva
