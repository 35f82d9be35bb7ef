// The simulation: the vessels, the clock, deletion, attachments, events between steps and the
// trace. The global host functions act on the current simulation, which is kept per thread: a
// simulation is current on the thread that made it until it goes, and Simulation::Scope makes
// another current for a while, so several simulations can live in one process, each stepped by
// one thread at a time.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/ground_placement.h"
#include "core/module_registry.h"
#include "core/trace.h"
#include "core/triggers.h"
#include "core/vessel.h"
#include "core/vessel_arena.h"
#include "files/bases.h"
#include "files/host_line_parser.h"
#include "files/mesh.h"
#include "files/scenario.h"
#include "world/body.h"

namespace quva {

// How a vessel and the vessels it holds fly. As the simulator flies them, a held vessel rides its
// holder's attachment point and neither its mass nor its forces count for the holder. Combined
// (quva's own) flies them as one rigid body: masses, forces and turning moments add up, about
// the common centre of mass and with the parts' combined moments of inertia.
enum class AssemblyModel { Simulator, Combined };

struct SimulationOptions {
    std::filesystem::path root;  // quva's own tree: holds Modules/, Config/, Meshes/
    // The user's trees (e.g. a real installation), searched in this order before quva's own
    // for modules, class configurations, meshes and bases.
    std::vector<std::filesystem::path> extraRoots;
    double dt = 0.1;             // s, step length
    bool flightModel = true;     // integrate the flight; off leaves every vessel where it is
    bool keepUnknownClasses = false;
    // As the simulator's default: a vessel loaded on a pad of its BASE line gets full stores.
    bool refuelOnPad = true;
    AssemblyModel assembly = AssemblyModel::Simulator;
    // How the user asks for keepUnknownClasses, for the error that suggests it.
    std::string keepUnknownAdvice = "use --keep-unknown";
};

// The most steps one run may ask for: more is refused before it starts.
constexpr std::int64_t kMaxRunSteps = 1000000000;

// Every tree, in the order they are searched: the user's trees, then quva's own; a tree named
// twice is searched once, where it comes first.
std::vector<std::filesystem::path> searchRoots(const SimulationOptions &options);

struct TimelineEntry {
    std::int64_t step = 0;
    double t = 0.0;
    std::string vessel;
    std::string text;
};

// Something to do between steps, at simulation time t: applied after step stepOfTime(t, dt),
// before the next step; one at the run's end is applied after its last step.
struct ScheduledEvent {
    enum class Kind { Release, Key };
    double t = 0.0;
    Kind kind = Kind::Release;
    std::string vessel;
    DWORD key = 0;
    std::vector<DWORD> modifiers;  // key codes held down with the key
};

// The whole step after which something at time t happens with steps of dt: round(t/dt) when t/dt
// lies within 1e-9 of a whole number (0.3 s is step 3 with dt 0.1, although 3 * 0.1 > 0.3 in
// binary), else floor(t/dt).
std::int64_t stepOfTime(double t, double dt);

// Whether time t lies after the end of a run to time `end` (beyond the rounding of binary
// fractions): an event then is not applied.
bool isAfterEnd(double t, double end, double dt);

class Simulation {
public:
    explicit Simulation(SimulationOptions options);
    ~Simulation();
    Simulation(const Simulation &) = delete;
    Simulation &operator=(const Simulation &) = delete;

    // The current simulation of the calling thread, or null.
    static Simulation *current();

    // Makes `sim` (or none) the current simulation of this thread for the scope's lifetime, then
    // the one that was current before.
    class Scope {
    public:
        explicit Scope(Simulation *sim);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        Simulation *saved_;
    };

    // Loading and saving scenarios. Loading creates every vessel of the ships section: ovcInit,
    // clbkSetClassCaps, clbkLoadStateEx with the block's lines; then links attachments; then
    // clbkPostCreation of each. Throws InputError naming file and line on bad input, a malformed
    // mesh file included. A vessel whose ovcInit returns no object is left out with a warning
    // and kept inert (saved as read); vessels attached to it start unattached.
    void loadScenario(const ScenarioDocument &doc);
    std::string saveScenarioText();
    // Writes the scenario to `path` as the command's --save does; `option` names the output in
    // messages. Throws OutputUsageError for a target that is no regular file.
    void saveScenario(const std::string &path, const std::string &option = "--save");

    // A second simulation in this one's state, independent of it: the clock, the vessels (made by
    // their modules from the scenario as it stands, then given the host's exact flight state,
    // definition, stores and animation states), the events still to come and the timeline. A
    // module's own state is copied as its saved state gives it. The trace starts empty.
    std::unique_ptr<Simulation> copy();

    // Creates one vessel as if its block had been read from a scenario (the lines may be empty),
    // including clbkPostCreation.
    Vessel &createVessel(const std::string &name, const std::string &className,
                         const std::vector<std::string> &lines = {});
    // The same, placed over its planet before clbkPostCreation, so that its module sees it where
    // it is; `lines` are the vessel's other lines (a module's STATE, say). Throws
    // std::invalid_argument for a placement that cannot be.
    Vessel &createVessel(const std::string &name, const std::string &className, const GroundPlacement &placement,
                         const std::vector<std::string> &lines = {});
    // Places a vessel that no other holds over its planet; the vessels it holds follow it.
    void place(Vessel &v, const GroundPlacement &placement);

    // The clock. Step k ends at simulation time k·dt.
    void step();
    void runSteps(std::int64_t n);
    void runUntil(double t);
    double simTime() const { return simt_; }
    std::int64_t stepCount() const { return step_; }
    double dt() const { return options_.dt; }
    double mjd() const { return mjd0_ + simt_ / 86400.0; }
    // Each body's orientation at the current simulation time, worked out once per step.
    const PlanetOrientation &orientation(const Body &b) const { return orientations_[b.index]; }

    void schedule(ScheduledEvent event);
    // Applies the events due by now that are not after time `end` (a run's end, whose step may
    // come before it ends).
    void applyDueEvents(double end = INFINITY);

    // Events that fire on a vessel's state, looked at at the end of every step.
    Triggers &triggers() { return triggers_; }

    // Called at the end of every step, once the step's removals are done; empty: none.
    void setStepObserver(std::function<void(const Simulation &)> observer) { stepObserver_ = std::move(observer); }

    // Vessels, in creation order; removed vessels are gone from the list.
    const std::vector<VesselPtr> &vessels() const { return vessels_; }
    Vessel *findVessel(const std::string &name) const;
    Vessel &vessel(const std::string &name) const;  // throws when absent, naming those there are
    bool isLive(const Vessel *v) const;

    // Deletion requests take effect once every callback of the current step has returned.
    bool requestDeletion(Vessel &v);

    // Attachments: child's to-parent point i to parent's to-child point j.
    void attach(Vessel &parent, std::size_t j, Vessel &child, std::size_t i);
    void release(Vessel &child);

    // Keyboard: delivers a buffered key press to the vessel, with the given keys held down.
    int pressKey(Vessel &v, DWORD key, const std::vector<DWORD> &modifiers = {});

    Trace &trace() { return trace_; }
    const Trace &trace() const { return trace_; }
    MeshStore &meshes() { return meshes_; }
    ModuleRegistry &modules() { return modules_; }
    BaseCatalog &bases() { return bases_; }
    const SimulationOptions &options() const { return options_; }
    const std::vector<TimelineEntry> &timeline() const { return timeline_; }
    void note(const Vessel *v, std::string text);  // adds a timeline entry
    const std::vector<std::string> &warnings() const { return warnings_; }
    void warn(std::string text);

    // An animation of the vessel changed its state in the current step; the timeline notes when
    // it comes to rest.
    void animationChanged(Vessel &v, UINT anim);

    // Warns about mesh groups named by the vessel's animation transforms that its meshes lack.
    void checkAnimationGroups(Vessel &v);

    // A value that module code handed the host for `v` and that cannot be flown (a mass, size or
    // area that is not a finite number of 0 or more): the value is not taken, and the run ends
    // with an error naming the vessel, the call and the value once the module's call returns.
    void refuse(const Vessel &v, const char *call, const std::string &value, const char *why);
    // Throws the ModuleFault of a refused value, if any; cheap, called after every module call.
    void throwIfRefused() {
        if (!refused_.empty()) throwRefused();
    }

    // The vessel whose callback, or on whose behalf a module function, is running.
    Vessel *context() const { return context_; }

    // Calls into a module, traced.
    class ContextGuard {
    public:
        ContextGuard(Simulation &sim, Vessel *v) : sim_(sim), saved_(sim.context_) { sim.context_ = v; }
        ~ContextGuard() { sim_.context_ = saved_; }
        ContextGuard(const ContextGuard &) = delete;
        ContextGuard &operator=(const ContextGuard &) = delete;

    private:
        Simulation &sim_;
        Vessel *saved_;
    };

private:
    friend class ScenarioLoader;

    // Null when the module's ovcInit gave no object (warned about, nothing left behind).
    Vessel *instantiate(const std::string &name, const std::string &className, int line, const std::string &file);
    void applyClassConfig(Vessel &v, const ClassConfig &cfg);
    HostLines loadBlock(Vessel &v, const VesselBlock &block, const std::string &file);
    void linkAttachment(Vessel &child, const AttachedLine &at, const std::string &file);
    void postCreate(Vessel &v);
    void connect(Vessel &parent, std::size_t j, Vessel &child, std::size_t i);
    void checkNoLoops(const std::vector<std::pair<Vessel *, AttachedLine>> &links, const std::string &file) const;
    Vessel &makeVessel(const std::string &name, const std::string &className, const std::vector<std::string> &lines,
                       const GroundPlacement *placement);
    void placeAttached(Vessel &v);
    void placeAll(std::size_t first);
    // Before a save: a landed vessel that holds others is put exactly where its saved lines will
    // put it when the save is loaded, and its vessels placed from there, so that what is saved
    // loads and saves again as it was written.
    void settleLandedHolders();
    void warnOfMissingDockPartners(const VesselBlock &b, const std::string &file);
    void move(Vessel &v);
    void moveHeld(Vessel &v);
    void checkFinite(const Vessel &v) const;
    void prefetchAhead(std::size_t i, std::size_t n) const;
    [[noreturn]] void throwRefused();
    void removeDeleted();
    void destroy(Vessel &v);
    void noteAnimationsAtRest();
    void updateOrientations();
    Vessel &adopt(VesselPtr v);

    SimulationOptions options_;
    ModuleRegistry modules_;
    MeshStore meshes_;
    BaseCatalog bases_;
    Trace trace_;
    VesselArena arena_;  // before vessels_: the records return to it when vessels_ goes
    std::vector<VesselPtr> vessels_;
    std::unordered_map<std::string, Vessel *> byName_;
    std::unordered_set<const Vessel *> live_;
    std::unordered_set<std::string> leftOut_;  // vessels of the scenario whose module gave no object
    std::vector<std::pair<Vessel *, UINT>> movingAnimations_;
    std::size_t pendingDeletions_ = 0;  // vessels asked for in the current step
    int nextVesselId_ = 1;
    std::int64_t step_ = 0;
    double simt_ = 0.0;
    double mjd0_ = 51544.5;
    std::array<PlanetOrientation, kBodyCount> orientations_;
    std::vector<ScheduledEvent> events_;  // sorted by time, stable
    std::size_t nextEvent_ = 0;
    Triggers triggers_;
    std::vector<TimelineEntry> timeline_;
    std::vector<std::string> warnings_;
    Vessel *context_ = nullptr;
    std::string refused_;  // the message of a refused value, or empty
    std::vector<Vessel *> chain_;  // reused by move: a held vessel's holders, nearest first
    std::function<void(const Simulation &)> stepObserver_;
    std::optional<ScenarioDocument> document_;
    Simulation *previous_ = nullptr;  // current on its thread before this one was made
};

}  // namespace quva
