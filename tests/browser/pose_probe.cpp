// The browser test's yardstick for posed mesh groups: one vessel of a class, its animations set to
// the states given, and every mesh group's vertices as the pose drawings pose them (core/pose.h),
// printed as JSON on the simulator's axes, with the vertices as stored beside them.
//   quva_pose_probe ROOT CLASS [STATE...]   (one state per animation, in order)
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "core/pose.h"
#include "core/simulation.h"
#include "files/mesh.h"
#include "files/scenario.h"

namespace {

void printPoints(const std::vector<quva::Vec3> &points) {
    std::printf("[");
    for (std::size_t i = 0; i < points.size(); ++i)
        std::printf("%s%.9g,%.9g,%.9g", i ? "," : "", points[i].x, points[i].y, points[i].z);
    std::printf("]");
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: quva_pose_probe ROOT CLASS [STATE...]\n");
        return 2;
    }
    try {
        quva::SimulationOptions options;
        options.root = argv[1];
        options.flightModel = false;
        quva::Simulation sim(options);
        const std::string text = std::string("BEGIN_SHIPS\nProbe:") + argv[2] +
                                 "\n  STATUS Orbiting Earth\n  RPOS 0 7000000 0\n  RVEL 0 0 0\nEND\nEND_SHIPS\n";
        sim.loadScenario(quva::parseScenario(text, "probe.scn"));
        quva::Vessel &v = sim.vessel("Probe");
        std::vector<std::vector<quva::Vec3>> stored;
        std::printf("[");
        bool first = true;
        for (std::size_t slot = 0; slot < v.meshes.size(); ++slot) {
            if (!v.meshes[slot].mesh) continue;
            for (std::size_t group = 0; group < v.meshes[slot].mesh->groups.size(); ++group) {
                const std::vector<quva::Vec3> rest = quva::posedGroup(v, slot, group);
                for (int i = 3; i < argc && static_cast<std::size_t>(i - 3) < v.animations.size(); ++i)
                    v.animations[static_cast<std::size_t>(i - 3)].state = std::atof(argv[i]);
                std::printf("%s{\"slot\":%zu,\"group\":%zu,\"posed\":", first ? "" : ",", slot, group);
                printPoints(quva::posedGroup(v, slot, group));
                std::printf(",\"stored\":");
                printPoints(rest);
                std::printf("}");
                for (quva::Animation &a : v.animations) a.state = a.initialState;
                first = false;
            }
        }
        std::printf("]\n");
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "quva_pose_probe: %s\n", e.what());
        return 1;
    }
}
