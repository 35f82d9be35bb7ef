// Telemetry of a run: what each vessel's flight looked like at a moment, as a person would read it
// off the instruments, and the clock that decides at which steps such a moment is taken.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/sample_clock.h"
#include "core/simulation.h"

namespace quva::cli {

struct VesselSample {
    double t = 0.0;              // s, simulation time
    double altitude = 0.0;       // m above the body's surface
    double speed = 0.0;          // m/s, relative to the body
    double verticalSpeed = 0.0;  // m/s, positive upwards
    double drag = 0.0;           // N
    double mass = 0.0;           // kg
    std::vector<double> animations;  // the state of each animation, in creation order
    double heading = 0.0, pitch = 0.0, bank = 0.0;  // deg, against the local horizon
    Vec3 angularVelocity;                           // rad/s, vessel axes
    // Where the vessel is and how it is turned in its body's planet-fixed frame (turning with the
    // body), for a replay: position from the body's centre, attitude vessel frame -> that frame.
    const Body *body = nullptr;
    Vec3 planetPosition;  // m
    Mat3 planetAttitude;
};

VesselSample sampleVessel(const Vessel &v, double t);

// Vessels that have a flight to report: inert ones (unknown classes) carry no state.
bool reportsFlight(const Vessel &v);

// Receives the samples of a run, vessel by vessel, in creation order at each sampled moment.
class TelemetrySink {
public:
    virtual ~TelemetrySink() = default;
    virtual void add(const Vessel &v, const VesselSample &s) = 0;
};

}  // namespace quva::cli
