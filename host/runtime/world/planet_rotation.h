// How a planet turns: its sidereal rotation and the slow precession of its axis, giving at any
// moment the rotation from the planet-fixed frame to the global frame. The global frame is the
// ecliptic and equinox of J2000, left-handed: +x toward the vernal equinox, +y toward the
// ecliptic north pole, +z toward ecliptic longitude 90°. The planet-fixed frame has +x through
// longitude 0 on the equator, +y toward the north pole and +z through longitude 90° east.
#pragma once

#include "world/j2000.h"
#include "world/vec3.h"

namespace quva {

// The rotation elements of a planet's configuration; angles in radians.
struct RotationElements {
    double siderealPeriod = 1e100;     // s; the default means "does not turn"
    double siderealOffset = 0.0;       // rotation angle at J2000
    double obliquity = 0.0;            // of the equator against the precession reference plane
    double lan = 0.0;                  // longitude of the equator's ascending node at lanMjd
    double lanMjd = kJ2000Mjd;
    double precessionPeriod = 0.0;     // days (negative: retrograde); 0: no precession
    double precessionObliquity = 0.0;  // of the precession reference plane against the ecliptic
    double precessionLan = 0.0;        // of the precession reference plane
};

struct PlanetOrientation {
    double rotationAngle = 0.0;      // θ, [0, 2π)
    double eclipticLan = 0.0;        // λ_e of the equator against the ecliptic
    double eclipticObliquity = 0.0;  // ε_e
    double offset = 0.0;             // δ, the shift of the prime meridian the precession causes
    Mat3 rotation;                   // planet-fixed -> global
    double angularRate = 0.0;        // rad/s about the planet's +y axis
};

// The planet's orientation `tsim` seconds after a run that started at `startMjd`. The angle
// grows from a phase fixed at the start, so that a long run adds up seconds rather than losing
// them to the rounding of a large MJD.
PlanetOrientation planetOrientation(const RotationElements &e, double startMjd, double tsim);

// Velocity of the planet-fixed point `planetPos` (planet-fixed axes) as the planet turns, on the
// same axes: what the surface and the air at that point move with.
inline Vec3 surfaceVelocityLocal(const PlanetOrientation &o, const Vec3 &planetPos) {
    return {-o.angularRate * planetPos.z, 0.0, o.angularRate * planetPos.x};
}

// Velocity of the air (turning with the planet) at the global position `pos` relative to the
// planet's centre, on global axes.
inline Vec3 airVelocityAt(const PlanetOrientation &o, const Vec3 &pos) {
    return o.rotation * surfaceVelocityLocal(o, o.rotation.transposeTimes(pos));
}

}  // namespace quva
