// The module-support code of Draskel and Nimbrel: how a module introduces itself to the host when
// it is loaded, the date and version it reports, and which exit function it calls at unload.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/module_registry.h"
#include "core/simulation.h"
#include "module_test_support.h"
#include "platform/host_platform.h"

namespace {

using quva::Simulation;

quva::SimulationOptions options() { return quvatest::hostOptions(1.0); }

template <class F>
F exported(const quva::Module &m, const char *name) {
    return reinterpret_cast<F>(quva::platform::findSymbol(m.handle, name));
}

class ModuleSupport : public ::testing::TestWithParam<const char *> {};

TEST_P(ModuleSupport, IntroducesItselfOnceWithItsOwnHandle) {
    Simulation sim(options());
    const quva::Module &m = sim.modules().loadModule(GetParam());
    ASSERT_EQ(sim.modules().initLibCalls().size(), 1u);
    EXPECT_EQ(sim.modules().initLibCalls()[0].handle, m.handle);
}

TEST_P(ModuleSupport, ReportsItsBuildDate) {
    Simulation sim(options());
    const quva::Module &m = sim.modules().loadModule(GetParam());
    auto moduleDate = exported<const char *(*)()>(m, "ModuleDate");
    ASSERT_NE(moduleDate, nullptr);
    EXPECT_STREQ(moduleDate(), "Jun 12 2013");
    EXPECT_EQ(moduleDate(), moduleDate());  // one constant text
}

// The host may already ask for the version while the module introduces itself; in any case the
// module asks the host's Date2Int for it once per load.
TEST_P(ModuleSupport, AsksTheHostForItsVersionOnce) {
    Simulation sim(options());
    sim.trace().keepInMemory(true);
    const quva::Module &m = sim.modules().loadModule(GetParam());
    auto getModuleVersion = exported<int (*)()>(m, "GetModuleVersion");
    ASSERT_NE(getModuleVersion, nullptr);
    const int first = getModuleVersion();
    const int second = getModuleVersion();

    int asked = 0;
    std::string answer;
    for (const auto &r : sim.trace().records()) {
        if (r.dir != quva::TraceDir::Out || r.call != "Date2Int" || r.args != R"(["Aug 30 2010"])") continue;
        ++asked;
        answer = r.ret;
    }
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(first, 100830);
    EXPECT_EQ(std::to_string(first), answer);
    EXPECT_EQ(second, first);
}

INSTANTIATE_TEST_SUITE_P(Modules, ModuleSupport, ::testing::Values("Draskel", "Nimbrel"),
                         [](const auto &info) { return std::string(info.param); });

// The four modules without module-support code load with the platform's default entry, which
// calls nothing of the host's.
class ModuleWithoutSupport : public ::testing::TestWithParam<const char *> {};

TEST_P(ModuleWithoutSupport, DoesNotIntroduceItself) {
    Simulation sim(options());
    sim.trace().keepInMemory(true);
    sim.modules().loadModule(GetParam());
    sim.createVessel("V", GetParam());
    EXPECT_TRUE(sim.modules().initLibCalls().empty());
    for (const auto &r : sim.trace().records()) {
        EXPECT_NE(r.call, "InitLib");
        EXPECT_NE(r.call, "Date2Int");
    }
}

INSTANTIATE_TEST_SUITE_P(Modules, ModuleWithoutSupport, ::testing::Values("Vantrel", "Ossum", "Tarrowick", "Pilmont"),
                         [](const auto &info) { return std::string(info.param); });

// Test modules built from the same code (see covers/CMakeLists.txt). Each writes the name of each
// of its functions that is called, with the handle it was given, to the file named by
// QUVA_EXIT_PROBE_LOG. QuvaExitProbe exports both exit functions and a start function that the
// host's InitLib calls; QuvaFallbackExitProbe exports only "opcDLLExit".
class ExitFunction : public ::testing::Test {
protected:
    void SetUp() override {
        log_ = std::filesystem::temp_directory_path() / (quvatest::uniqueName("exit-probe") + ".log");
        std::filesystem::remove(log_);
        quvatest::setEnvironment("QUVA_EXIT_PROBE_LOG", log_.string());
    }
    void TearDown() override {
        quvatest::clearEnvironment("QUVA_EXIT_PROBE_LOG");
        std::filesystem::remove(log_);
    }
    std::string logText() const { return quvatest::fileText(log_); }

    std::filesystem::path log_;
};

// The start function finds the probe's statics initialised (it logs through one of them), so
// the entry's own initialiser ran after them: the entry is the last object linked.
TEST_F(ExitFunction, OnlyExitModuleIsCalledAtUnloadWithTheModuleHandle) {
    Simulation sim(options());
    const quva::Module &m = sim.modules().loadModule("QuvaExitProbe");
    const std::string handle = std::to_string(reinterpret_cast<std::uintptr_t>(m.handle));
    ASSERT_EQ(sim.modules().initLibCalls().size(), 1u);
    EXPECT_EQ(sim.modules().initLibCalls()[0].handle, m.handle);
    EXPECT_EQ(logText(), "InitModule " + handle + "\n");

    sim.modules().unloadAll();
    EXPECT_EQ(logText(), "InitModule " + handle + "\n" + "ExitModule " + handle + "\n");
}

TEST_F(ExitFunction, OpcDllExitIsCalledWhenItIsTheOnlyOne) {
    Simulation sim(options());
    const quva::Module &m = sim.modules().loadModule("QuvaFallbackExitProbe");
    const std::string handle = std::to_string(reinterpret_cast<std::uintptr_t>(m.handle));
    EXPECT_EQ(logText(), "");
    sim.modules().unloadAll();
    EXPECT_EQ(logText(), "opcDLLExit " + handle + "\n");
}

// The fallback probe names an interface date the host cannot read, so Date2Int gives 0, which
// is not kept: every call asks again.
TEST(ModuleVersion, AsksAgainAfterAZeroResult) {
    Simulation sim(options());
    sim.trace().keepInMemory(true);
    const quva::Module &m = sim.modules().loadModule("QuvaFallbackExitProbe");
    auto getModuleVersion = exported<int (*)()>(m, "GetModuleVersion");
    ASSERT_NE(getModuleVersion, nullptr);
    auto asked = [&] {
        return std::count_if(sim.trace().records().begin(), sim.trace().records().end(),
                             [](const auto &r) { return r.call == "Date2Int" && r.args == R"(["never"])"; });
    };
    const auto atLoad = asked();  // the host's InitLib may have asked already
    EXPECT_EQ(getModuleVersion(), 0);
    EXPECT_EQ(getModuleVersion(), 0);
    EXPECT_EQ(asked(), atLoad + 2);
}

// The entry's own look-up of its handle leaves no reference behind that would keep the library
// loaded (and its unload steps from running) once the host lets it go. Draskel and Nimbrel
// export no exit function (see the export lists), so their unload calls none.
TEST(ModuleUnload, LeavesNoReferenceBehind) {
    for (const char *name : {"Draskel", "Nimbrel"}) {
        SCOPED_TRACE(name);
        {
            Simulation sim(options());
            sim.modules().loadModule(name);
            EXPECT_TRUE(quvatest::libraryLoaded(quvatest::moduleFile(name)));
        }
        EXPECT_FALSE(quvatest::libraryLoaded(quvatest::moduleFile(name)));
    }
}

#if !defined(_WIN32)
// The Linux entry introduces the module from its static initialiser, which has to run after
// those of every other object of the module; GNU ld runs them in link order. Read from the
// build's own link lines: every module that carries the entry links it last.
TEST(ModuleEntry, IsTheLastObjectOfEveryModuleThatCarriesIt) {
    std::ifstream ninja(std::filesystem::path(QUVA_BUILD_ROOT) / "build.ninja");
    if (!ninja) GTEST_SKIP() << "not a Ninja build";
    const std::string entry = "module_entry_linux.cpp.o";
    std::vector<std::string> modules;
    for (std::string line; std::getline(ninja, line);) {
        if (line.rfind("build Modules/", 0) != 0 || line.find(entry) == std::string::npos) continue;
        const std::string name = line.substr(6, line.find(':') - 6);
        std::string objects = line.substr(0, line.find(" |"));
        SCOPED_TRACE(name);
        ASSERT_GE(objects.size(), entry.size());
        EXPECT_EQ(objects.substr(objects.size() - entry.size()), entry);
        modules.push_back(name);
    }
    EXPECT_NE(std::find(modules.begin(), modules.end(), "Modules/Draskel.so"), modules.end());
    EXPECT_NE(std::find(modules.begin(), modules.end(), "Modules/Nimbrel.so"), modules.end());
}
#endif

}  // namespace
