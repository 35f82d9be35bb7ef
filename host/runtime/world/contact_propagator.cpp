#include "world/contact_propagator.h"

#include <algorithm>
#include <cmath>

#include "world/runge_kutta_tables.h"
#include "world/spin_propagator.h"

namespace quva {

namespace {

// The rates of change of a stage's state.
struct Rates {
    Vec3 vel, acc, omega, alpha;
};

Rates ratesAt(const RigidState &x, const std::vector<TouchdownVertex> &points, const Ground &ground,
              const ContactStepLoads &loads, double h, bool &touched) {
    // Intermediate stages use the attitude of a quaternion that need not be of unit length.
    const Mat3 r = matrixOf(x.q);
    const ContactLoad push = groundContactLoad(points, ContactPose{x.pos, x.vel, r, x.omega}, ground, loads.mass, loads.pmi, h);
    touched = touched || push.touching;
    Rates d;
    d.vel = x.vel;
    const double dist = length(x.pos);
    const Vec3 gravity = dist > 0.0 ? x.pos * (-loads.mu / (dist * dist * dist)) : Vec3{};
    d.acc = gravity + r * ((loads.force + push.force) / loads.mass);
    d.omega = x.omega;
    if (loads.pmi.x > 0.0 && loads.pmi.y > 0.0 && loads.pmi.z > 0.0)
        d.alpha = spinAcceleration(loads.pmi, x.omega, loads.torquePerMass + push.torque / loads.spinMass);
    return d;
}

template <int N>
void substep(RigidState &s, const std::vector<TouchdownVertex> &points, const Ground &ground,
             const ContactStepLoads &loads, double h, const RungeKuttaTable<N> &t, bool &touched) {
    Rates d[N];
    d[0] = ratesAt(s, points, ground, loads, h, touched);
    for (int i = 1; i < N; ++i) {
        RigidState x = s;
        for (int j = 0; j < i; ++j) {
            const double b = t.beta[i][j];
            if (b == 0.0) continue;
            x.pos += d[j].vel * (h * b);
            x.vel += d[j].acc * (h * b);
            x.omega += d[j].alpha * (h * b);
            x.q = turnedBy(x.q, d[j].omega * (h * b));
        }
        d[i] = ratesAt(x, points, ground, loads, h, touched);
    }
    for (int i = 0; i < N; ++i) {
        const double g = t.gamma[i];
        if (g == 0.0) continue;
        s.pos += d[i].vel * (h * g);
        s.vel += d[i].acc * (h * g);
        s.omega += d[i].alpha * (h * g);
        s.q = turnedBy(s.q, d[i].omega * (h * g));
    }
}

}  // namespace

int contactSubsteps(const std::vector<TouchdownVertex> &points, const ContactStepLoads &loads, double dt, int fewest) {
    // The eighth-order table damps decay rates up to some 5 per sub-step and keeps oscillations
    // up to some 2.8 radians per sub-step; kept inside both.
    constexpr double kStableDecayPerSubstep = 4.0;
    constexpr double kStableTurnPerSubstep = 2.5;
    // At most some 260000 evaluations of the ground in a step: enough for 10 s steps on the
    // default legs under a tonne.
    constexpr int kMostSubsteps = 20000;
    const Vec3 &pmi = loads.pmi;
    const double least = std::fmin(pmi.x, std::fmin(pmi.y, pmi.z));
    // A point's mobility: how fast a newton at it moves it, through the centre and, by its
    // torque, through the turn. Summed over the points with their dampers and springs, it bounds
    // the fastest decay rate and the squared fastest bounce of the vessel on its legs.
    double decay = 0.0, bounce2 = 0.0;
    for (const TouchdownVertex &p : points) {
        const double mobility = (1.0 + (least > 0.0 ? dot(p.pos, p.pos) / least : 0.0)) / loads.mass;
        decay += p.damping * mobility;
        bounce2 += p.stiffness * mobility;
    }
    const double wanted =
        std::ceil(dt * std::fmax(decay / kStableDecayPerSubstep, std::sqrt(bounce2) / kStableTurnPerSubstep));
    return static_cast<int>(std::clamp(wanted, static_cast<double>(fewest), static_cast<double>(kMostSubsteps)));
}

ContactStepResult propagateInContact(RigidState &s, const std::vector<TouchdownVertex> &points, const Ground &ground,
                                     const ContactStepLoads &loads, double dt, int substeps) {
    ContactStepResult result;
    const double h = dt / substeps;
    for (int k = 0; k < substeps; ++k) substep(s, points, ground, loads, h, kRK8, result.touched);
    bool touchedAtEnd = false;
    result.alpha = ratesAt(s, points, ground, loads, h, touchedAtEnd).alpha;
    return result;
}

}  // namespace quva
