#include "world/spin_propagator.h"

#include <algorithm>
#include <cmath>

#include "world/runge_kutta_tables.h"

namespace quva {

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

struct Level {
    SpinMethod method;
    double timeTarget, angleTarget;  // s, rad
    double timeLimit, angleLimit;    // s, rad; the last level has none
};

constexpr Level kLevels[] = {
    {SpinMethod::RK2, 0.1, 0.2 * kDeg, 0.5, 1.0 * kDeg},
    {SpinMethod::RK4, 2.0, 2.0 * kDeg, 10.0, 4.0 * kDeg},
    {SpinMethod::RK6, 20.0, 5.0 * kDeg, 100.0, 10.0 * kDeg},
    {SpinMethod::RK8, 200.0, 20.0 * kDeg, INFINITY, INFINITY},
};
constexpr int kTop = 3;
constexpr int kMaxSubsteps = 10;

// Midpoint: the attitude of the half step is used without normalising.
void stepRK2(SpinState &s, const Vec3 &pmi, const Vec3 &tpm, double h) {
    const Vec3 wHalf = s.omega + s.alpha * (0.5 * h);
    const Vec3 aHalf = spinAcceleration(pmi, wHalf, tpm);
    s.q = turnedBy(s.q, wHalf * h);
    s.omega += aHalf * h;
}

void stepRK4(SpinState &s, const Vec3 &pmi, const Vec3 &tpm, double h) {
    const Vec3 k1 = s.alpha;
    const Vec3 wa = s.omega + k1 * (0.5 * h);
    const Vec3 k2 = spinAcceleration(pmi, wa, tpm);
    const Vec3 wb = s.omega + k2 * (0.5 * h);
    const Vec3 k3 = spinAcceleration(pmi, wb, tpm);
    const Vec3 wc = s.omega + k3 * h;
    const Vec3 k4 = spinAcceleration(pmi, wc, tpm);
    s.q = turnedBy(s.q, (s.omega + wa * 2.0 + wb * 2.0 + wc) * (h / 6.0));
    s.omega += (k1 + k2 * 2.0 + k3 * 2.0 + k4) * (h / 6.0);
}

// The general driver. With a torque that does not depend on the attitude, the stages' attitudes
// do not feed back into the rates, so only the rates are carried through the stages; the
// attitude is turned successively by each stage's rate at the end.
template <int N>
void stepTable(SpinState &s, const Vec3 &pmi, const Vec3 &tpm, double h, const RungeKuttaTable<N> &t) {
    Vec3 w[N], d[N];
    w[0] = s.omega;
    d[0] = s.alpha;
    for (int i = 1; i < N; ++i) {
        Vec3 wi = s.omega;
        for (int j = 0; j < i; ++j)
            if (t.beta[i][j] != 0.0) wi += d[j] * (h * t.beta[i][j]);
        w[i] = wi;
        d[i] = spinAcceleration(pmi, wi, tpm);
    }
    Vec3 dw;
    for (int i = 0; i < N; ++i) {
        if (t.gamma[i] == 0.0) continue;
        s.q = turnedBy(s.q, w[i] * (h * t.gamma[i]));
        dw += d[i] * (h * t.gamma[i]);
    }
    s.omega += dw;
}

}  // namespace

SpinChoice chooseSpin(double dt, double rate, bool surfaceContact) {
    if (surfaceContact) return {SpinMethod::RK8, kMaxSubsteps};
    int level = 0;
    while (level < kTop && dt >= kLevels[level].timeLimit) ++level;
    const double angle = std::fabs(rate) * dt;
    while (level < kTop && angle >= kLevels[level].angleLimit) ++level;
    const Level &l = kLevels[level];
    const double wanted = std::ceil(std::max(dt / l.timeTarget, angle / l.angleTarget));
    const int n = static_cast<int>(std::clamp(wanted, 1.0, static_cast<double>(kMaxSubsteps)));
    return {l.method, n};
}

void propagateSpin(SpinState &s, const Vec3 &pmi, const Vec3 &tpm, double dt, SpinChoice choice) {
    const double h = dt / choice.substeps;
    for (int k = 0; k < choice.substeps; ++k) {
        switch (choice.method) {
        case SpinMethod::RK2: stepRK2(s, pmi, tpm, h); break;
        case SpinMethod::RK4: stepRK4(s, pmi, tpm, h); break;
        case SpinMethod::RK6: stepTable(s, pmi, tpm, h, kRK6); break;
        case SpinMethod::RK8: stepTable(s, pmi, tpm, h, kRK8); break;
        }
        s.alpha = spinAcceleration(pmi, s.omega, tpm);
    }
}

void limitSpin(SpinState &s) {
    if (!finite(s.omega) || !std::isfinite(s.q.x + s.q.y + s.q.z + s.q.s)) {
        s.omega = {0.0, 0.0, kMaxSpinRate};
        s.q = Quat{};
        s.alpha = {};
        return;
    }
    const double rate = length(s.omega);
    if (rate > kMaxSpinRate) {
        s.omega = s.omega * (kMaxSpinRate / rate);
        s.alpha = {};
    }
}

}  // namespace quva
