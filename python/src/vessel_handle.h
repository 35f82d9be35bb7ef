// A script's handle on one vessel: it reads the vessel's state and acts on it for as long as the
// vessel exists, and answers with a clear error, never a dangling access, once it is gone or
// its simulation is closed.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "simulation_core.h"

namespace quva::python {

class VesselHandle {
public:
    VesselHandle(std::weak_ptr<SimulationCore> core, const Vessel &v) : core_(std::move(core)), vessel_(&v), id_(v.id), name_(v.name) {}

    const std::string &name() const { return name_; }
    bool alive() const;
    // The vessel, or an error naming it when it is gone.
    const Vessel &get() const;
    // The same, for what needs a flight state: also an error for a vessel carried along unchanged.
    const Vessel &flying() const;
    // The vessel and its simulation, for an action that changes the flight.
    std::pair<Simulation &, Vessel &> forChange() const;

    std::string className() const { return get().className; }
    std::array<double, 3> position() const;
    std::array<double, 3> velocity() const;
    double altitude() const;
    double airspeed() const;
    double groundSpeed() const;
    double verticalSpeed() const;
    double mass() const { return flying().mass(); }
    double emptyMass() const { return flying().def.emptyMass; }
    // A new empty mass (kg), as the vessel's class would set it: for runs with dispersed masses.
    void setEmptyMass(double kg) const;
    double drag() const { return flying().readout.drag; }
    bool groundContact() const { return flying().groundContact; }
    bool landed() const { return flying().state.landed; }
    std::optional<VesselHandle> parent() const;
    std::vector<double> animations() const;

    void release() const;
    bool press(const std::string &key, const std::vector<std::string> &modifiers) const;
    void requestDeletion() const;

private:
    std::weak_ptr<SimulationCore> core_;
    const Vessel *vessel_;
    int id_;
    std::string name_;
};

}  // namespace quva::python
