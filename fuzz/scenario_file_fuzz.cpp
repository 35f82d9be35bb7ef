// Scenario files: any text either parses or is refused with a file and line, never worse. A text
// that parses is loaded as the run command loads it (vessels of unknown classes kept along),
// flown for a few steps and saved; what the host saves it must load again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/simulation.h"
#include "files/scenario.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    quvafuzz::keepModulesLoaded();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    quva::ScenarioDocument doc;
    try {
        doc = quva::parseScenario(std::string(reinterpret_cast<const char *>(data), size), "fuzz.scn");
    } catch (const quva::InputError &) {
        return 0;
    }
    quva::SimulationOptions o = quvafuzz::options(true);
    o.keepUnknownClasses = true;
    quva::Simulation sim(o);
    try {
        sim.loadScenario(doc);
    } catch (const quva::InputError &) {
        return 0;
    }
    sim.runSteps(3);
    const std::string saved = sim.saveScenarioText();
    quva::Simulation again(o);
    quvafuzz::reload("scenario_file", saved, again);
    return 0;
}
