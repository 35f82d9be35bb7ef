#include "world/ground_contact.h"

#include <algorithm>
#include <cmath>

#include "world/spin_propagator.h"

namespace quva {

namespace {

// A point sinks at most this far (m) as far as its spring is concerned.
constexpr double kMaxDepth = 1.0;
// The friction grows with the depth down to this (m), and no further.
constexpr double kFrictionDepth = 0.1;
// Below this sliding speed (m/s) the friction fades with its square root.
constexpr double kFullFrictionSpeed = 10.0;
// The most the ground's torque may turn the vessel in one sub-step.
constexpr double kMaxTurnPerSubstep = 10.0 * 3.14159265358979323846 / 180.0;

// Friction of magnitude `base` against sliding at `speed`, weakened at low speed.
double friction(double base, double speed) {
    const double magnitude = std::fabs(speed) < kFullFrictionSpeed ? base * std::sqrt(std::fabs(0.1 * speed)) : base;
    return speed > 0.0 ? -magnitude : speed < 0.0 ? magnitude : 0.0;
}

// The friction sum along one direction, cut back so that within one sub-step it can at most
// stop the centre's sliding `centreSpeed` along it, never reverse it.
double limitedFriction(double sum, double centreSpeed, double mass, double h) {
    const double limit = -centreSpeed * mass / h;
    if (sum > 0.0 && limit >= 0.0 && sum > limit) return limit;
    if (sum < 0.0 && limit <= 0.0 && sum < limit) return limit;
    return sum;
}

}  // namespace

std::vector<TouchdownVertex> defaultTouchdownPoints() {
    std::vector<TouchdownVertex> points(3);
    points[0].pos = {0.0, -2.0, 10.0};
    points[1].pos = {-3.0, -2.0, -5.0};
    points[2].pos = {3.0, -2.0, -5.0};
    return points;
}

double touchdownReach(const std::vector<TouchdownVertex> &points) {
    double reach = 0.0;
    for (const TouchdownVertex &p : points) reach = std::fmax(reach, length(p.pos));
    return reach;
}

Vec3 groundVelocityAt(const Ground &g, const Vec3 &pos) {
    return g.orientation ? airVelocityAt(*g.orientation, pos) : Vec3{};
}

ContactLoad groundContactLoad(const std::vector<TouchdownVertex> &points, const ContactPose &pose, const Ground &ground,
                              double mass, const Vec3 &pmi, double h) {
    ContactLoad load;
    if (points.size() < 3) return load;
    const Mat3 &r = pose.attitude;
    // Ground axes on the vessel's: up, along the vessel's length (its nose point ahead of the
    // middle of the two rear ones) and across.
    const Vec3 up = r.transposeTimes(normalized(pose.pos));
    const Vec3 ahead = points[0].pos - (points[1].pos + points[2].pos) * 0.5;
    const Vec3 along = normalized(ahead - up * dot(ahead, up));
    const Vec3 across = cross(up, along);
    const Vec3 sliding = r.transposeTimes(pose.vel - groundVelocityAt(ground, pose.pos));
    double normalSum = 0.0, alongSum = 0.0, acrossSum = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const TouchdownVertex &p = points[i];
        const double height = length(pose.pos + r * p.pos) - ground.radius;
        if (height >= 0.0) continue;
        load.touching = true;
        const double depth = std::fmin(-height, kMaxDepth);
        // The point's own velocity over the ground: the centre's and the turn's.
        const Vec3 g = sliding + cross(p.pos, pose.omega);
        // Not held at 0: a point rebounding fast pulls.
        const double fn = depth * p.stiffness - dot(g, up) * p.damping;
        const double base = std::fmin(depth, kFrictionDepth) * p.stiffness;
        const double fAlong = friction((i < 3 ? p.muLng : p.mu) * base, dot(g, along));
        const double fAcross = friction(p.mu * base, dot(g, across));
        normalSum += fn;
        alongSum += fAlong;
        acrossSum += fAcross;
        load.torque += cross(up * fn + along * fAlong + across * fAcross, p.pos);
    }
    if (!load.touching) return load;
    alongSum = limitedFriction(alongSum, dot(sliding, along), mass, h);
    acrossSum = limitedFriction(acrossSum, dot(sliding, across), mass, h);
    load.force = up * normalSum + along * alongSum + across * acrossSum;
    if (pmi.x > 0.0 && pmi.y > 0.0 && pmi.z > 0.0 && mass > 0.0) {
        const double turn = length(spinAcceleration(pmi, pose.omega, load.torque / mass)) * h * h;
        if (turn > kMaxTurnPerSubstep) load.torque = load.torque * (kMaxTurnPerSubstep / turn);
    }
    return load;
}

}  // namespace quva
