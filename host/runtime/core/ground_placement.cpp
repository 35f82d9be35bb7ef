#include "core/ground_placement.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "core/landed_state.h"
#include "core/simulation.h"
#include "core/flight.h"
#include "core/vessel_readings.h"
#include "world/attitude_angles.h"
#include "world/landed_attitude.h"
#include "world/local_horizon.h"

namespace quva {

namespace {

bool finiteNumbers(const GroundPlacement &p) {
    return std::isfinite(p.latitude) && std::isfinite(p.longitude) && (!p.altitude || std::isfinite(*p.altitude)) &&
           finite(p.velocityEnu) && std::isfinite(p.heading) && std::isfinite(p.pitch) && std::isfinite(p.bank) &&
           finite(p.angularVelocity);
}

void placeLandedOver(Vessel &v, const GroundPlacement &p, double lon, double lat, const PlanetOrientation &o) {
    FlightState &s = v.state;
    Mat3 landRot = attitudeFromHeading(lon, lat, p.heading * kRadPerDeg, p.pitch * kRadPerDeg, p.bank * kRadPerDeg);
    double alt = p.altitude.value_or(0.0);
    if (!p.altitude) {
        // Standing on the plane of its first three touchdown points, as a scenario without AROT.
        const RestingGeometry rest = restingOnLegs(v, *s.body);
        landRot = landRot * rest.tilt;
        alt = rest.height;
    }
    s.heading = p.heading;
    s.surface = surfaceFix(lon, lat, alt, landRot, s.body->radius, o);
    s.landed = true;
    s.turnsWithBody = true;
    s.omega = {};
    s.pad.reset();  // registered on no pad, as a vessel loaded without a BASE line
    s.padAtTouchdown = false;
    rideSurface(s, o);
    v.groundContact = true;
}

void placeInFlightOver(Vessel &v, const GroundPlacement &p, double lon, double lat, const PlanetOrientation &o) {
    FlightState &s = v.state;
    const Vec3 planetPos = planetFixedPoint(lon, lat, s.body->radius + *p.altitude);
    s.pos = o.rotation * planetPos;
    // The readings take the air's (or ground's) motion from the velocity and turn the rest onto
    // the local horizon: here it is turned back and the motion added.
    s.vel = o.rotation * localHorizon(lon, lat).vector(p.velocityEnu) + airVelocityAt(o, s.pos);
    s.setAttitude(o.rotation *
                  attitudeFromHeading(lon, lat, p.heading * kRadPerDeg, p.pitch * kRadPerDeg, p.bank * kRadPerDeg));
    s.omega = p.angularVelocity;
    s.landed = false;
    s.turnsWithBody = false;
    v.groundContact = false;
}

}  // namespace

std::string placementProblem(const GroundPlacement &p) {
    if (!finiteNumbers(p)) return "every number of a placement must be finite";
    if (std::fabs(p.latitude) > 90.0) return "the latitude must lie between -90 and 90 degrees";
    if (p.landed) {
        if (length(p.velocityEnu) != 0.0 || length(p.angularVelocity) != 0.0)
            return "a landed vessel moves with the ground: give it no velocity and no angular velocity";
        if (p.altitude && *p.altitude < 0.0) return "the altitude must be 0 m or more";
        return {};
    }
    if (!p.altitude) return "a vessel in flight needs an altitude";
    if (*p.altitude < 0.0) return "the altitude must be 0 m or more (a vessel on the ground is placed landed)";
    return {};
}

void placeOverGround(Vessel &v, const GroundPlacement &p, const PlanetOrientation &o) {
    if (std::string problem = placementProblem(p); !problem.empty()) throw std::invalid_argument(problem);
    v.state.body = p.body ? p.body : &earth();
    const double lon = p.longitude * kRadPerDeg, lat = p.latitude * kRadPerDeg;
    if (p.landed) placeLandedOver(v, p, lon, lat, o);
    else placeInFlightOver(v, p, lon, lat, o);
    v.readout = {};
    v.readout.airspeed = p.landed ? 0.0 : length(p.velocityEnu);
    v.flight = {};
}

void Simulation::place(Vessel &v, const GroundPlacement &p) {
    if (const Vessel *holder = v.parent())
        throw std::runtime_error("vessel \"" + v.name + "\" is attached to \"" + holder->name +
                                 "\" and moves with it: place \"" + holder->name + "\" instead, or release it first");
    const Body &body = p.body ? *p.body : earth();
    placeOverGround(v, p, orientation(body));
    // The vessels it holds follow it at once, each after its own holder, and their forces (drag
    // included) are those of where they now are.
    placeAll(0);
    if (!options_.flightModel) return;
    for (const auto &owned : vessels_) {
        Vessel *top = owned.get();
        while (top->parent()) top = top->parent();
        if (top == &v && !owned->inert() && !owned->state.landed) evaluateForces(*this, *owned);
    }
}

}  // namespace quva
