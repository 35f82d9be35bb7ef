#include "vessel_handle.h"

#include <cmath>
#include <stdexcept>

#include "core/keys.h"
#include "entry.h"

namespace quva::python {

namespace {

std::array<double, 3> array(const Vec3 &v) { return {v.x, v.y, v.z}; }

}  // namespace

bool VesselHandle::alive() const {
    auto core = core_.lock();
    if (!core) return false;
    Entry entry(*core);
    // The record may have gone back to the runtime's pool and be reused: the id tells them apart.
    return !core->closed() && core->sim().isLive(vessel_) && vessel_->id == id_;
}

const Vessel &VesselHandle::checked(SimulationCore &core) const {
    if (core.closed()) throw std::runtime_error("vessel \"" + name_ + "\": its simulation is closed");
    if (!core.sim().isLive(vessel_) || vessel_->id != id_)
        throw std::runtime_error("vessel \"" + name_ + "\" has been removed from the simulation");
    return *vessel_;
}

template <class F>
auto VesselHandle::with(bool change, F f) const {
    auto core = core_.lock();
    if (!core) throw std::runtime_error("vessel \"" + name_ + "\": its simulation is closed");
    Entry entry(*core);
    const Vessel &v = checked(*core);
    if (v.inert() || !v.state.body)
        throw std::runtime_error("vessel \"" + name_ + "\" is carried along unchanged (class " + v.className +
                                 " is unknown) and has no flight state");
    Simulation &sim = change ? core->simForChange() : core->sim();
    return f(sim, const_cast<Vessel &>(v));
}

std::string VesselHandle::className() const {
    auto core = core_.lock();
    if (!core) throw std::runtime_error("vessel \"" + name_ + "\": its simulation is closed");
    Entry entry(*core);
    return checked(*core).className;
}

std::array<double, 3> VesselHandle::position() const {
    return with(false, [](Simulation &, Vessel &v) { return array(v.state.pos); });
}
std::array<double, 3> VesselHandle::velocity() const {
    return with(false, [](Simulation &, Vessel &v) { return array(v.state.vel); });
}
VesselReadings VesselHandle::readings() const {
    return with(false, [](Simulation &, Vessel &v) { return readVessel(v); });
}
double VesselHandle::mass() const {
    return with(false, [](Simulation &, Vessel &v) { return v.mass(); });
}
double VesselHandle::emptyMass() const {
    return with(false, [](Simulation &, Vessel &v) { return v.def.emptyMass; });
}
double VesselHandle::drag() const {
    return with(false, [](Simulation &, Vessel &v) { return v.readout.drag; });
}
bool VesselHandle::groundContact() const {
    return with(false, [](Simulation &, Vessel &v) { return v.groundContact; });
}
bool VesselHandle::landed() const {
    return with(false, [](Simulation &, Vessel &v) { return v.state.landed; });
}

std::optional<VesselHandle> VesselHandle::parent() const {
    return with(false, [&](Simulation &, Vessel &v) -> std::optional<VesselHandle> {
        if (const Vessel *p = v.parent()) return VesselHandle(core_, *p);
        return std::nullopt;
    });
}

std::vector<double> VesselHandle::animations() const {
    return with(false, [](Simulation &, Vessel &v) {
        std::vector<double> states;
        for (const Animation &a : v.animations) states.push_back(a.state);
        return states;
    });
}

void VesselHandle::setEmptyMass(double kg) const {
    if (!(kg > 0.0) || !std::isfinite(kg)) throw std::invalid_argument("the empty mass must be a positive number of kg");
    with(true, [&](Simulation &, Vessel &v) { v.def.emptyMass = kg; });
}

void VesselHandle::release() const {
    with(true, [&](Simulation &sim, Vessel &v) {
        if (!v.parent()) throw std::runtime_error("vessel \"" + name_ + "\" is not attached");
        sim.release(v);
    });
}

KeyPress keyPress(const std::string &key, const std::vector<std::string> &modifiers) {
    KeyPress k;
    k.key = key.size() == 1 ? letterKeyCode(key[0]) : 0;
    if (!k.key) throw std::invalid_argument("key \"" + key + "\": a key is one letter, A to Z");
    for (const std::string &m : modifiers) {
        const DWORD c = modifierKeyCode(m);
        if (!c)
            throw std::invalid_argument("unknown modifier \"" + m + "\" (use lshift, rshift, lctrl, rctrl, lalt or ralt)");
        k.modifiers.push_back(c);
    }
    return k;
}

bool VesselHandle::press(const std::string &key, const std::vector<std::string> &modifiers) const {
    const KeyPress k = keyPress(key, modifiers);
    return with(true, [&](Simulation &sim, Vessel &v) { return sim.pressKey(v, k.key, k.modifiers) != 0; });
}

void VesselHandle::requestDeletion() const {
    with(true, [](Simulation &sim, Vessel &v) { sim.requestDeletion(v); });
}

void VesselHandle::place(const GroundPlacement &placement) const {
    if (std::string problem = placementProblem(placement); !problem.empty()) throw std::invalid_argument(problem);
    with(true, [&](Simulation &sim, Vessel &v) { sim.place(v, placement); });
    if (auto core = core_.lock()) {
        Entry entry(*core);
        core->resampleTelemetry();
    }
}

}  // namespace quva::python
