#include "core/simulation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "core/flight.h"
#include "core/host_call.h"
#include "core/module_fault.h"

namespace quva {

namespace {

// What most likely made a vessel's state stop being finite in the step just made.
std::string likelyCause(const Vessel &v, double dt) {
    const double mass = v.mass();
    if (!std::isfinite(mass) || mass < 0.0) return "its mass is " + std::to_string(mass) + " kg";
    if (!finite(v.flight.previousAcceleration))
        return "the forces on it were not finite numbers (an airfoil coefficient or a thrust that is none)";
    char text[128];
    std::snprintf(text, sizeof text, "the step of %g s is too long for the flight model (try a smaller --dt)", dt);
    return text;
}

}  // namespace

namespace {

// Per thread: two threads may each step a simulation of their own at the same time.
thread_local Simulation *currentSimulation = nullptr;

}  // namespace

Simulation *Simulation::current() { return currentSimulation; }

Simulation::Scope::Scope(Simulation *sim) : saved_(currentSimulation) { currentSimulation = sim; }

Simulation::Scope::~Scope() { currentSimulation = saved_; }

std::vector<std::filesystem::path> searchRoots(const SimulationOptions &options) {
    std::vector<std::filesystem::path> roots;
    auto add = [&](const std::filesystem::path &p) {
        if (std::find(roots.begin(), roots.end(), p) == roots.end()) roots.push_back(p);
    };
    for (const auto &p : options.extraRoots) add(p);
    add(options.root);
    return roots;
}

namespace {

std::vector<std::filesystem::path> meshFolders(const SimulationOptions &options) {
    std::vector<std::filesystem::path> folders;
    for (const auto &root : searchRoots(options)) folders.push_back(root / "Meshes");
    return folders;
}

}  // namespace

Simulation::Simulation(SimulationOptions options)
    : options_(std::move(options)), modules_(searchRoots(options_)), meshes_(meshFolders(options_)),
      bases_(searchRoots(options_)) {
    if (!(options_.dt > 0.0) || !std::isfinite(options_.dt))
        throw std::invalid_argument("the step length must be a positive number of seconds");
    updateOrientations();
    previous_ = currentSimulation;
    currentSimulation = this;
}

void Simulation::updateOrientations() {
    for (const Body *b : {&earth(), &moon()}) orientations_[b->index] = planetOrientation(b->rotation, mjd0_, simt_);
}

Simulation::~Simulation() {
    while (!vessels_.empty()) {
        // A module failing as its vessel goes cannot stop the others from going too.
        try {
            destroy(*vessels_.back());
        } catch (const std::exception &) {
        }
        live_.erase(vessels_.back().get());
        vessels_.pop_back();
    }
    byName_.clear();
    modules_.unloadAll();
    trace_.close();
    if (currentSimulation == this) currentSimulation = previous_;
}

void Simulation::note(const Vessel *v, std::string text) {
    timeline_.push_back({step_, simt_, v ? v->name : std::string(), std::move(text)});
}

void Simulation::warn(std::string text) { warnings_.push_back(std::move(text)); }

void Simulation::refuse(const Vessel &v, const char *call, const std::string &value, const char *why) {
    if (!refused_.empty()) return;  // the first one is reported
    char when[64];
    std::snprintf(when, sizeof when, " (at step %lld)", static_cast<long long>(step_));
    refused_ = describeVessel(&v) + ": " + call + "(" + value + ")" + when + ": " + why;
}

void Simulation::throwRefused() {
    std::string message = std::move(refused_);
    refused_.clear();
    throw ModuleFault(message);
}

Vessel *Simulation::findVessel(const std::string &name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

Vessel &Simulation::vessel(const std::string &name) const {
    if (Vessel *v = findVessel(name)) return *v;
    // The names there are, so that a slip of the pen shows; a long list is cut short.
    constexpr std::size_t kNamesShown = 20;
    std::string names;
    for (std::size_t i = 0; i < vessels_.size() && i < kNamesShown; ++i)
        names += (names.empty() ? "\"" : ", \"") + vessels_[i]->name + "\"";
    if (vessels_.size() > kNamesShown) names += " and " + std::to_string(vessels_.size() - kNamesShown) + " more";
    throw std::runtime_error("no vessel named \"" + name + "\" (" +
                             (names.empty() ? std::string("the simulation has none") : "there are " + names) + ")");
}

bool Simulation::isLive(const Vessel *v) const { return live_.count(v) != 0; }

Vessel &Simulation::adopt(VesselPtr v) {
    Vessel &ref = *v;
    byName_[ref.name] = &ref;
    live_.insert(&ref);
    vessels_.push_back(std::move(v));
    return ref;
}

// Moves a vessel to the step's end: a free one by the flight model, a held one with its holder,
// whose own holders are moved first. The holders are walked without recursion, and each vessel
// is moved once per step, so a step costs the same per vessel however deep an assembly is.
void Simulation::move(Vessel &v) {
    if (v.movedStep == step_) return;
    chain_.clear();
    Vessel *top = &v;
    for (; top->parent() && top->movedStep != step_; top = top->parent()) chain_.push_back(top);
    if (top->movedStep != step_) {
        top->movedStep = step_;
        advance(*this, *top, options_.dt);
    }
    for (auto it = chain_.rbegin(); it != chain_.rend(); ++it) {
        (*it)->movedStep = step_;
        moveHeld(**it);
    }
}

void Simulation::moveHeld(Vessel &v) {
    carryHeld(*this, v, options_.dt);
    bool touching = lowestPointAltitude(v) <= 0.0;
    if (touching && !v.groundContact) note(&v, "ground contact");
    v.groundContact = touching;
}

void Simulation::checkFinite(const Vessel &v) const {
    const FlightState &s = v.state;
    if (finite(s.pos) && finite(s.vel)) return;
    char when[96];
    std::snprintf(when, sizeof when, " in step %lld (t = %g s)", static_cast<long long>(step_), simt_);
    throw std::runtime_error(describeVessel(&v) + ": its position or velocity stopped being a finite number" + when +
                             "; likely cause: " + likelyCause(v, options_.dt));
}

// A large fleet does not fit in the caches, and each vessel's data lies in several places: its
// record here, its module's object and the buffers its definition made. The records follow one
// another, but the objects lie too far apart for the processor to guess the next one, so a step
// would wait on memory for each vessel in turn. Asking for them some vessels ahead lets their
// memory arrive while the vessels before them are worked on.
// Inlined into the step's loop: as a call of its own it measurably gave back most of the gain.
[[gnu::always_inline]] inline void Simulation::prefetchAhead(std::size_t i, std::size_t n) const {
    constexpr std::size_t kObjectsAhead = 6, kRecordsAhead = 12;
    constexpr std::size_t kRecordLines = 16;  // the part of a record a step reads
    if (i + kObjectsAhead < n) {
        const Vessel &ahead = *vessels_[i + kObjectsAhead];
        const char *object = reinterpret_cast<const char *>(ahead.callbacks);
        __builtin_prefetch(object);
        __builtin_prefetch(object + 64);
        __builtin_prefetch(ahead.animations.data());
        __builtin_prefetch(ahead.airfoils.data());
    }
    if (i + kRecordsAhead < n) {
        const char *record = reinterpret_cast<const char *>(vessels_[i + kRecordsAhead].get());
        for (std::size_t line = 0; line < kRecordLines; ++line) __builtin_prefetch(record + 64 * line);
    }
}

// One pass over the vessels: each is moved to the step's end, then called. A held vessel
// follows its holder, so reaching it first moves the holder (and with it the whole assembly)
// if that comes later in the list. Modules cannot see other vessels move, so this keeps the
// callbacks in creation order while each vessel's data is read once per step.
void Simulation::step() {
    applyDueEvents();
    ++step_;
    // The flight is integrated to the step's end, so what it notes (ground contact) carries that time.
    simt_ = static_cast<double>(step_) * options_.dt;
    updateOrientations();
    const double t = simt_, dt = options_.dt, mjd = this->mjd();
    // Index loop: callbacks may not add vessels, and removal waits until all have returned.
    const std::size_t n = vessels_.size();
    for (std::size_t i = 0; i < n; ++i) {
        prefetchAhead(i, n);
        Vessel &v = *vessels_[i];
        if (v.inert()) continue;
        if (options_.flightModel) {
            move(v);
            checkFinite(v);
        }
        if (v.callbacks)
            callIn(*this, &v, "clbkPostStep", [&] { v.callbacks->clbkPostStep(t, dt, mjd); }, t, dt, mjd);
    }
    if (!movingAnimations_.empty()) noteAnimationsAtRest();
    if (pendingDeletions_ > 0) removeDeleted();
    if (!triggers_.empty()) triggers_.check(*this);
    if (stepObserver_) stepObserver_(*this);
}

void Simulation::runSteps(std::int64_t n) {
    for (std::int64_t i = 0; i < n; ++i) step();
    applyDueEvents(simt_);
}

void Simulation::runUntil(double t) {
    // The last step is the one that time t falls in, with events at t applied after it.
    const std::int64_t last = stepOfTime(t, options_.dt);
    while (step_ < last) step();
    applyDueEvents(t);
}

void Simulation::animationChanged(Vessel &v, UINT anim) {
    Animation &a = v.animations[anim];
    a.changedStep = step_;
    if (a.moving) return;
    a.moving = true;
    movingAnimations_.emplace_back(&v, anim);
}

void Simulation::noteAnimationsAtRest() {
    for (std::size_t i = 0; i < movingAnimations_.size();) {
        auto [v, anim] = movingAnimations_[i];
        Animation &a = v->animations[anim];
        // At rest once it has kept its state for two whole steps: a module may well show the
        // same state twice in a row while it is still under way (a canopy's first step).
        if (step_ - a.changedStep < 2 && !v->deletionPending) {
            ++i;
            continue;
        }
        if (!v->deletionPending) {
            char text[64];
            std::snprintf(text, sizeof text, "animation %u at rest at %.2f", anim, std::fabs(a.state) < 5e-3 ? 0.0 : a.state);
            note(v, text);
        }
        a.moving = false;
        movingAnimations_[i] = movingAnimations_.back();
        movingAnimations_.pop_back();
    }
}

bool Simulation::requestDeletion(Vessel &v) {
    ++v.deletionRequests;
    if (!v.deletionPending) ++pendingDeletions_;
    v.deletionPending = true;
    return true;
}

void Simulation::removeDeleted() {
    if (pendingDeletions_ == 0) return;
    for (const auto &owned : vessels_) {
        Vessel &v = *owned;
        if (!v.deletionPending) continue;
        note(&v, v.deletionRequests > 1 ? "deletion requested (" + std::to_string(v.deletionRequests) + " requests)"
                                        : std::string("deletion requested"));
        destroy(v);
        note(&v, "removed");
        byName_.erase(v.name);
        live_.erase(&v);
    }
    std::erase_if(vessels_, [](const VesselPtr &v) { return v->deletionPending; });
    pendingDeletions_ = 0;
}

void Simulation::destroy(Vessel &v) {
    for (const auto &a : v.attachments) {
        if (!a->peer) continue;
        Vessel *other = a->peer->owner;
        unlink(*a);
        if (!a->toParent) note(other, "released from " + v.name + " (parent removed)");
    }
    if (v.module && v.iface) {
        VESSEL *object = v.iface;
        callIn(*this, &v, "ovcExit", [&] { v.module->ovcExit(object); }, TraceHandle{object});
        v.iface = nullptr;
        v.callbacks = nullptr;
    }
}

}  // namespace quva
