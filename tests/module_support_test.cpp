// The module-support code of Draskel and Nimbrel: how a module introduces itself to the host when
// it is loaded, the date and version it reports, and which exit function it calls at unload.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "module_registry.h"
#include "platform.h"
#include "module_test_support.h"
#include "simulation.h"

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

TEST(ModuleWithoutSupport, DoesNotIntroduceItself) {
    Simulation sim(options());
    sim.modules().loadModule("Pilmont");
    EXPECT_TRUE(sim.modules().initLibCalls().empty());
}

// A test module built from the same code that also exports both exit functions; each writes its
// name and the handle it was given to the file named by QUVA_EXIT_PROBE_LOG.
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

TEST_F(ExitFunction, OnlyExitModuleIsCalledAtUnloadWithTheModuleHandle) {
    Simulation sim(options());
    const quva::Module &m = sim.modules().loadModule("QuvaExitProbe");
    const auto handle = reinterpret_cast<std::uintptr_t>(m.handle);
    ASSERT_EQ(sim.modules().initLibCalls().size(), 1u);
    EXPECT_EQ(sim.modules().initLibCalls()[0].handle, m.handle);
    EXPECT_EQ(logText(), "");  // nothing is called while the module stays loaded

    sim.modules().unloadAll();
    EXPECT_EQ(logText(), "ExitModule " + std::to_string(handle) + "\n");
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

}  // namespace
