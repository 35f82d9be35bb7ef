#include "vessel_handle.h"

#include <cmath>
#include <stdexcept>

#include "core/keys.h"
#include "core/vessel_readings.h"

namespace quva::python {

namespace {

std::array<double, 3> array(const Vec3 &v) { return {v.x, v.y, v.z}; }

}  // namespace

bool VesselHandle::alive() const {
    auto core = core_.lock();
    if (!core || core->closed()) return false;
    // The record may have gone back to the runtime's pool and be reused: the id tells them apart.
    return core->sim().isLive(vessel_) && vessel_->id == id_;
}

const Vessel &VesselHandle::get() const {
    auto core = core_.lock();
    if (!core || core->closed()) throw std::runtime_error("vessel \"" + name_ + "\": its simulation is closed");
    if (!alive()) throw std::runtime_error("vessel \"" + name_ + "\" has been removed from the simulation");
    return *vessel_;
}

const Vessel &VesselHandle::flying() const {
    const Vessel &v = get();
    if (v.inert() || !v.state.body)
        throw std::runtime_error("vessel \"" + name_ + "\" is carried along unchanged (class " + v.className +
                                 " is unknown) and has no flight state");
    return v;
}

std::pair<Simulation &, Vessel &> VesselHandle::forChange() const {
    const Vessel &v = flying();
    Simulation &sim = core_.lock()->simForChange();
    return {sim, const_cast<Vessel &>(v)};
}

std::array<double, 3> VesselHandle::position() const { return array(flying().state.pos); }
std::array<double, 3> VesselHandle::velocity() const { return array(flying().state.vel); }
double VesselHandle::altitude() const { return readVessel(flying()).altitude; }
double VesselHandle::airspeed() const { return readVessel(flying()).airspeed; }
double VesselHandle::groundSpeed() const { return readVessel(flying()).groundSpeed; }
double VesselHandle::verticalSpeed() const { return readVessel(flying()).verticalSpeed; }

std::optional<VesselHandle> VesselHandle::parent() const {
    const Vessel *p = flying().parent();
    if (!p) return std::nullopt;
    return VesselHandle(core_, *p);
}

std::vector<double> VesselHandle::animations() const {
    std::vector<double> states;
    for (const Animation &a : flying().animations) states.push_back(a.state);
    return states;
}

void VesselHandle::setEmptyMass(double kg) const {
    if (!(kg > 0.0) || !std::isfinite(kg)) throw std::invalid_argument("the empty mass must be a positive number of kg");
    forChange().second.def.emptyMass = kg;
}

void VesselHandle::release() const {
    auto [sim, v] = forChange();
    if (!v.parent()) throw std::runtime_error("vessel \"" + name_ + "\" is not attached");
    sim.release(v);
}

bool VesselHandle::press(const std::string &key, const std::vector<std::string> &modifiers) const {
    const DWORD code = key.size() == 1 ? letterKeyCode(key[0]) : 0;
    if (!code) throw std::invalid_argument("key \"" + key + "\": a key is one letter, A to Z");
    std::vector<DWORD> held;
    for (const std::string &m : modifiers) {
        const DWORD c = modifierKeyCode(m);
        if (!c)
            throw std::invalid_argument("unknown modifier \"" + m + "\" (use lshift, rshift, lctrl, rctrl, lalt or ralt)");
        held.push_back(c);
    }
    auto [sim, v] = forChange();
    return sim.pressKey(v, code, held) != 0;
}

void VesselHandle::requestDeletion() const {
    auto [sim, v] = forChange();
    sim.requestDeletion(v);
}

}  // namespace quva::python
