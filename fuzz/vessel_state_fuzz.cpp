// A vessel's scenario block read by the vessel's own module and written back by it. The first
// byte picks one of the six module classes; the remaining bytes are the lines of the block of
// vessel "F" of that class in a scenario file. The file goes through the host's scenario reader,
// the block's lines through the host's line reader into the module's clbkLoadStateEx (which takes
// its state line and hands the rest to ParseScenarioLineEx), and then:
//   - whatever the host accepted, the save writes, and the saved text loads again;
//   - a class with a state line saves exactly one, whose text fits the writer's buffer, and a
//     second save after the reload writes the same line (status exactly, the fraction in its
//     written form);
//   - a few steps later the vessel still saves into a scenario that loads.
// A parent of a configuration-only class ("P", with three to-child points) is there to take an
// ATTACHED line.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/simulation.h"
#include "files/scenario.h"
#include "fuzz_support.h"

namespace {

using namespace quvafuzz;

constexpr const char *kTarget = "vessel_state";
constexpr const char *kParentClass = "QuvaCapsule";
constexpr std::size_t kStateTextSize = 256;  // the modules' writer buffer, terminating zero included

// The keyword of each module class's state line, in the order of kModuleClasses; the covers keep
// none of their own.
const char *const kKeywords[kModuleClassCount] = {"STATE", "STATE", "GEAR", nullptr, nullptr, nullptr};

// The lines of vessel `name` in a saved scenario text that start with "  KEYWORD ".
std::vector<std::string> stateLines(const std::string &saved, const std::string &name, const std::string &keyword) {
    const std::string prefix = "  " + keyword + " ";
    std::vector<std::string> found;
    bool inside = false;
    std::size_t start = 0;
    while (start < saved.size()) {
        std::size_t end = saved.find('\n', start);
        if (end == std::string::npos) end = saved.size();
        std::string line = saved.substr(start, end - start);
        start = end + 1;
        if (!inside) {
            inside = line.rfind(name + ":", 0) == 0;
            continue;
        }
        if (line == "END") break;
        if (line.rfind(prefix, 0) == 0) found.push_back(line);
    }
    return found;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    keepModulesLoaded();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) return 0;
    const std::string className = kModuleClasses[data[0] % kModuleClassCount];
    const char *keyword = kKeywords[data[0] % kModuleClassCount];
    const std::string body(reinterpret_cast<const char *>(data) + 1, size - 1);
    const std::string scenario = std::string("BEGIN_SHIPS\nP:") + kParentClass + "\nEND\nF:" + className + "\n" + body +
                                 "\nEND\nEND_SHIPS\n";

    quva::Simulation sim(options(false));
    try {
        sim.loadScenario(quva::parseScenario(scenario, "fuzz.scn"));
    } catch (const quva::InputError &) {
        return 0;  // refused with its line: fine
    }
    const quva::Vessel *f = sim.findVessel("F");
    if (!f || f->className != className) keyword = nullptr;  // the block ended early

    const std::string first = sim.saveScenarioText();
    quva::Simulation again(options(false));
    const std::string second = reload(kTarget, first, again);
    if (keyword) {
        const std::vector<std::string> firstState = stateLines(first, "F", keyword);
        if (firstState.size() != 1) fail(kTarget, "not one state line saved", first);
        const std::size_t textLength = firstState[0].size() - std::strlen("  ") - std::strlen(keyword) - 1;
        if (textLength >= kStateTextSize) fail(kTarget, "a state line outgrows the writer's buffer", first);
        if (stateLines(second, "F", keyword) != firstState)
            fail(kTarget, "the state line changes across a save and reload", first + "----\n" + second);
    }
    // The module acts on what it read: steps with the loaded state, then a save that loads.
    again.runSteps(3);
    const std::string later = again.saveScenarioText();
    quva::Simulation third(options(false));
    reload(kTarget, later, third);
    return 0;
}
