#include "pose_command.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <vector>

#include "classes/class_sample.h"
#include "cli_common.h"
#include "files/output_checks.h"
#include "files/output_file.h"
#include "files/scenario.h"
#include "pictures/pose_drawing.h"

namespace quva::cli {

namespace {

struct PoseOptions {
    std::string className;
    std::optional<double> state;
    std::optional<long long> animation;
    std::string out;
};

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

// What the picture shows, for its subtitle: each animation's state, and the state the stored
// mesh shows it at.
std::string statesShown(const Vessel &v) {
    if (v.animations.empty()) return "no animations";
    std::string text;
    for (std::size_t i = 0; i < v.animations.size(); ++i) {
        const Animation &a = v.animations[i];
        text += (i ? ", " : "") + std::string("animation ") + std::to_string(i) + " at " + number(a.state) +
                " (mesh stored at " + number(a.initialState) + ")";
    }
    return text;
}

int pose(const PoseOptions &o, const Trees &trees) {
    if (o.state && !std::isfinite(*o.state)) {
        std::cerr << "quva pose: --state must be a number\n";
        return kExitUsage;
    }
    std::vector<PlannedOutput> planned;
    try {
        planned = planOutputs({{"--out", o.out}}, {}, "");
    } catch (const OutputUsageError &e) {
        std::cerr << "quva pose: " << e.what() << "\n";
        return kExitUsage;
    }
    try {
        OutputFile out(planned.front().option, planned.front().target);
        out.open();
        ClassSample sample = makeClassSample(trees, o.className, std::cerr);
        Vessel &v = *sample.vessel;
        if (o.animation && (*o.animation < 0 || static_cast<std::size_t>(*o.animation) >= v.animations.size())) {
            std::cerr << "quva pose: --anim " << *o.animation << ": class " << o.className << " has "
                      << v.animations.size() << " animation" << (v.animations.size() == 1 ? "" : "s") << "\n";
            return kExitUsage;
        }
        // The host's own record is set, not the module's: the picture is what the host would show.
        if (o.state)
            for (std::size_t i = 0; i < v.animations.size(); ++i)
                if (!o.animation || static_cast<std::size_t>(*o.animation) == i) v.animations[i].state = *o.state;
        out.write(drawPose(v, {o.className, statesShown(v)}));
        out.commit();
        std::cout << "drew " << o.className << " (" << statesShown(v) << ") to " << o.out << "\n";
        return kExitOk;
    } catch (const std::exception &e) {
        return reportFailure("pose", e);
    }
}

}  // namespace

void addPoseCommand(CLI::App &app, std::function<Trees()> trees, int &exitCode) {
    auto o = std::make_shared<PoseOptions>();
    CLI::App *cmd = app.add_subcommand("pose", "draw a vessel class's mesh from three sides, its animations at a state (SVG)");
    cmd->add_option("class", o->className, "vessel class")->required();
    auto *state = cmd->add_option("--state", o->state,
                                  "state to show the animations at, usually 0 to 1 (default: as the class creates them)");
    cmd->add_option("--anim", o->animation, "set only animation N (counted from 0) to the state")->needs(state);
    cmd->add_option("--out", o->out, "SVG file to write")->required();
    cmd->callback([o, trees, &exitCode] { exitCode = pose(*o, trees()); });
}

}  // namespace quva::cli
