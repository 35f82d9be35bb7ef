// Shared pieces of the fuzz targets that load vessels through the host.
#pragma once

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/simulation.h"
#include "files/mesh.h"

namespace quvafuzz {

// The six classes with a module of their own.
inline const char *const kModuleClasses[] = {"Vantrel", "Ossum", "Tarrowick", "Pilmont", "Draskel", "Nimbrel"};
constexpr std::size_t kModuleClassCount = sizeof kModuleClasses / sizeof kModuleClasses[0];

// Parsing the meshes is most of the cost of creating a vessel, and each input creates its vessels
// afresh. The targets therefore run the real modules and class configurations of the build with
// stand-in meshes: each real mesh cut down to one triangle per group, keeping the number of groups
// and their labels, which is all that the host looks at outside of drawing poses.
inline std::filesystem::path makeRoot() {
    namespace fs = std::filesystem;
    const fs::path build = QUVA_BUILD_ROOT, root = QUVA_FUZZ_ROOT;
    fs::create_directories(root / "Meshes" / "Quva");
    for (const char *dir : {"Modules", "Config"})
        if (!fs::exists(fs::symlink_status(root / dir))) fs::create_directory_symlink(build / dir, root / dir);
    for (const fs::directory_entry &e : fs::directory_iterator(build / "Meshes" / "Quva")) {
        std::ifstream in(e.path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        const quva::Mesh mesh = quva::parseMesh(text.str(), e.path().string());
        std::ofstream out(root / "Meshes" / "Quva" / e.path().filename(), std::ios::binary | std::ios::trunc);
        out << "MSHX1\nGROUPS " << mesh.groups.size() << "\n";
        for (const quva::MeshGroup &g : mesh.groups) {
            if (!g.label.empty()) out << "LABEL " << g.label << "\n";
            out << "GEOM 3 1\n0 0 0\n1 0 0\n0 1 0\n0 1 2\n";
        }
    }
    return root;
}

inline quva::SimulationOptions options(bool flightModel) {
    static const std::filesystem::path root = makeRoot();
    quva::SimulationOptions o;
    o.root = root;
    o.dt = 0.1;
    o.flightModel = flightModel;
    return o;
}

[[noreturn]] inline void fail(const char *target, const char *what, const std::string &detail) {
    std::fprintf(stderr, "%s: %s\n%s\n", target, what, detail.c_str());
    std::abort();
}

// libFuzzer keeps pointers to each loaded library's coverage counters. A module unloaded when one
// simulation ends and loaded again by the next would leave it reading unmapped memory, so every
// module is loaded once here and then kept mapped for the life of the process.
inline void keepModulesLoaded() {
    quva::Simulation sim(options(false));
    for (const char *c : kModuleClasses) {
        const quva::VesselClass &vc = sim.modules().vesselClass(c);
        if (!vc.module || !dlopen(vc.module->file.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) {
            std::fprintf(stderr, "cannot load the module of class %s under %s\n", c, QUVA_BUILD_ROOT);
            std::exit(1);
        }
    }
}

// The saved text must read and load again in a simulation of its own; returns what that one saves.
inline std::string reload(const char *target, const std::string &saved, quva::Simulation &sim) {
    try {
        sim.loadScenario(quva::parseScenario(saved, "saved.scn"));
    } catch (const quva::InputError &e) {
        fail(target, "the host refuses a scenario it saved itself", std::string(e.what()) + "\n" + saved);
    }
    return sim.saveScenarioText();
}

}  // namespace quvafuzz
