// A script's handle on one vessel: it reads the vessel's state and acts on it for as long as the
// vessel exists, and answers with a clear error, never a dangling access, once it is gone or
// its simulation is closed. Every call enters the simulation (entry.h) for its duration.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/ground_placement.h"
#include "core/vessel_readings.h"
#include "simulation_core.h"

namespace quva::python {

// A letter key and modifier names as host key codes; std::invalid_argument naming what is wrong.
struct KeyPress {
    DWORD key = 0;
    std::vector<DWORD> modifiers;
};
KeyPress keyPress(const std::string &key, const std::vector<std::string> &modifiers);

class VesselHandle {
public:
    VesselHandle(std::weak_ptr<SimulationCore> core, const Vessel &v) : core_(std::move(core)), vessel_(&v), id_(v.id), name_(v.name) {}

    const std::string &name() const { return name_; }
    bool alive() const;
    std::shared_ptr<SimulationCore> core() const { return core_.lock(); }

    std::string className() const;
    std::array<double, 3> position() const;
    std::array<double, 3> velocity() const;
    // Every reading at once (altitude, speeds, place over the ground, attitude, air).
    VesselReadings readings() const;
    double mass() const;
    double emptyMass() const;
    // A new empty mass (kg), as the vessel's class would set it: for runs with dispersed masses.
    void setEmptyMass(double kg) const;
    double drag() const;
    bool groundContact() const;
    bool landed() const;
    std::optional<VesselHandle> parent() const;
    std::vector<double> animations() const;

    void release() const;
    bool press(const std::string &key, const std::vector<std::string> &modifiers) const;
    void requestDeletion() const;
    void place(const GroundPlacement &placement) const;

private:
    // Runs f(simulation, vessel) within an entry, once the vessel is known to exist and fly; with
    // `change`, also refused after a failed step.
    template <class F>
    auto with(bool change, F f) const;
    const Vessel &checked(SimulationCore &core) const;

    std::weak_ptr<SimulationCore> core_;
    const Vessel *vessel_;
    int id_;
    std::string name_;
};

}  // namespace quva::python
