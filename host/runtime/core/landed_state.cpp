#include "core/landed_state.h"

#include <cmath>
#include <utility>
#include <vector>

#include "world/attitude_angles.h"
#include "world/body.h"
#include "world/landed_attitude.h"

namespace quva {

SurfaceFix surfaceFix(double lon, double lat, double alt, const Mat3 &landRot, double radius,
                      const PlanetOrientation &o) {
    SurfaceFix f;
    f.lon = lon;
    f.lat = lat;
    f.alt = alt;
    f.landRot = landRot;
    f.planetPos = planetFixedPoint(lon, lat, radius + alt);
    f.planetVel = surfaceVelocityLocal(o, f.planetPos);
    return f;
}

RestingGeometry restingOnLegs(const Vessel &v, const Body &body) {
    std::vector<Vec3> points;
    for (const TouchdownVertex &tp : v.def.touchdown) points.push_back(tp.pos);
    const bool massless = !v.module && v.propellants.empty();
    const double mass = massless ? 0.0 : v.mass();
    if (points.size() >= 3 && mass > 0.0 && body.radius > 0.0) {
        const double k[3] = {v.def.touchdown[0].stiffness, v.def.touchdown[1].stiffness, v.def.touchdown[2].stiffness};
        points = compressedUnderLoad(std::move(points), k, mass * body.mu / (body.radius * body.radius));
    }
    return restingGeometry(points);
}

void rideSurface(FlightState &s, const PlanetOrientation &o) {
    s.pos = o.rotation * s.surface.planetPos;
    s.vel = o.rotation * s.surface.planetVel;
    s.attitude = o.rotation * s.surface.landRot;
}

void settleLanded(FlightState &s, const PlanetOrientation &o) {
    const Vec3 local = o.rotation.transposeTimes(s.pos);
    const double r = length(local);
    const double lat = r > 0.0 ? std::asin(std::fmax(-1.0, std::fmin(1.0, local.y / r))) : 0.0;
    const double lon = std::atan2(local.z, local.x);
    const Mat3 landRot = o.rotation.transposed() * s.attitude;
    s.surface = surfaceFix(lon, lat, r - s.body->radius, landRot, s.body->radius, o);
    s.heading = headingOf(landRot, lon, lat) / kRadPerDeg;
    s.landed = true;
    s.turnsWithBody = true;
    s.pad.reset();
    s.padAtTouchdown = true;
    rideSurface(s, o);
}

}  // namespace quva
