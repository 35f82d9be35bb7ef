// The turning of a rigid body against worked numbers: a torque-free tumble flown with the
// simulator's propagators at several frame lengths, the propagator chosen for a frame, the
// conservation of angular momentum and energy, and the instability of a spin about the
// intermediate axis.
#include <gtest/gtest.h>

#include <cmath>

#include "world/attitude_angles.h"
#include "world/spin_propagator.h"

namespace {

using quva::Quat;
using quva::SpinChoice;
using quva::SpinMethod;
using quva::SpinState;
using quva::Vec3;

const Vec3 kPmi{2.0, 3.0, 4.0};
const Vec3 kOmega0{0.1, 0.2, 0.3};

// Flies the torque-free tumble for `frames` frames of dt; `steady` starts with the stored
// acceleration consistent with the state instead of zero (as after loading a scenario).
SpinState tumble(double dt, int frames, bool steady) {
    SpinState s;
    s.omega = kOmega0;
    if (steady) s.alpha = quva::spinAcceleration(kPmi, s.omega, {});
    for (int i = 0; i < frames; ++i)
        quva::propagateSpin(s, kPmi, {}, dt, quva::chooseSpin(dt, length(s.omega), false));
    return s;
}

void expectOmega(const Vec3 &got, const Vec3 &want, double tol, const char *what) {
    EXPECT_NEAR(got.x, want.x, tol) << what;
    EXPECT_NEAR(got.y, want.y, tol) << what;
    EXPECT_NEAR(got.z, want.z, tol) << what;
}

TEST(Spin, AccelerationOfEulersEquations) {
    const Vec3 a = quva::spinAcceleration(kPmi, kOmega0, {});
    EXPECT_NEAR(a.x, 0.03, 1e-15);
    EXPECT_NEAR(a.y, -0.02, 1e-15);
    EXPECT_NEAR(a.z, 0.005, 1e-15);
    // A torque per unit mass adds T/(m I) on its own axis.
    const Vec3 b = quva::spinAcceleration({20.0, 20.0, 10.0}, {}, Vec3{10000.0, 0.0, 10000.0} * (1.0 / 1000.0));
    EXPECT_DOUBLE_EQ(b.x, 0.5);
    EXPECT_DOUBLE_EQ(b.z, 1.0);
}

TEST(Spin, TumbleMatchesTheWorkedNumbers) {
    struct Case {
        const char *what;
        double dt;
        bool steady;
        Vec3 at1, at10;
        double tol;
    } cases[] = {
        {"0.01 s fresh", 0.01, false, {0.128587756263, 0.176881200099, 0.305397111121},
         {0.142424055657, -0.162133355864, 0.308451448524}, 2e-12},
        {"0.01 s steady", 0.01, true, {0.128587714555, 0.176881127460, 0.305397119740},
         {0.142423997617, -0.162133300494, 0.308451452351}, 2e-12},
        {"1/60 s fresh", 1.0 / 60.0, false, {0.128587836836, 0.176881324836, 0.305397098825},
         {0.142424087784, -0.162133540877, 0.308451427922}, 2e-12},
        {"0.1 s fresh", 0.1, false, {0.128362625874, 0.177099291650, 0.305349720412},
         {0.142632434498, -0.161889145930, 0.308499555236}, 2e-12},
        {"0.1 s steady (exact)", 0.1, true, {0.128587710892, 0.176881129981, 0.305397118022},
         {0.142424037658, -0.162133251770, 0.308451460122}, 2e-11},
        {"1 s fresh", 1.0, false, {0.128587342704, 0.176876916818, 0.305392827740},
         {0.142423822511, -0.162128518002, 0.308447239398}, 2e-12},
        {"1 s steady (exact)", 1.0, true, {0.128587710892, 0.176881129981, 0.305397118022},
         {0.142424037658, -0.162133251770, 0.308451460122}, 1e-12},
    };
    for (const Case &c : cases) {
        const int perSecond = static_cast<int>(std::lround(1.0 / c.dt));
        expectOmega(tumble(c.dt, perSecond, c.steady).omega, c.at1, c.tol, c.what);
        expectOmega(tumble(c.dt, 10 * perSecond, c.steady).omega, c.at10, c.tol, c.what);
    }
}

TEST(Spin, TumbleAttitudeMatchesTheWorkedNumbers) {
    const SpinState s = tumble(0.01, 1000, true);
    EXPECT_NEAR(s.q.x, 0.0948744, 1e-7);
    EXPECT_NEAR(s.q.y, 0.0375953, 1e-7);
    EXPECT_NEAR(s.q.z, 0.9700599, 1e-7);
    EXPECT_NEAR(s.q.s, -0.2203845, 1e-7);
    const Vec3 arot = quva::eulerFromAttitude(quva::matrixOf(s.q));
    EXPECT_NEAR(arot.x, 1.820, 5e-4);
    EXPECT_NEAR(arot.y, -11.574, 5e-4);
    EXPECT_NEAR(arot.z, -154.585, 5e-4);
    const Vec3 vrot = s.omega * (1.0 / quva::kRadPerDeg);
    EXPECT_NEAR(vrot.x, 8.1603, 5e-5);
    EXPECT_NEAR(vrot.y, -9.2896, 5e-5);
    EXPECT_NEAR(vrot.z, 17.6730, 5e-5);
    // After 1 s: the small frames follow the exact attitude, the 1 s frame shows the first-order
    // rotation update.
    const Quat q1 = tumble(0.01, 100, true).q;
    const Quat want1{0.05660386, 0.09359233, 0.15077014, 0.98249928};
    const Quat q1s = tumble(1.0, 1, true).q;
    const Quat want1s{0.05669598, 0.09367807, 0.15063664, 0.98250628};
    for (auto [got, want] : {std::pair{q1, want1}, std::pair{q1s, want1s}}) {
        EXPECT_NEAR(got.x, want.x, 1e-8);
        EXPECT_NEAR(got.y, want.y, 1e-8);
        EXPECT_NEAR(got.z, want.z, 1e-8);
        EXPECT_NEAR(got.s, want.s, 1e-8);
    }
}

TEST(Spin, PropagatorChoiceTable) {
    const double rates[] = {0.0, 0.1, 0.3742, 1.0};
    using M = SpinMethod;
    struct Row {
        double dt;
        SpinChoice want[4];
    } rows[] = {
        {0.01, {{M::RK2, 1}, {M::RK2, 1}, {M::RK2, 2}, {M::RK2, 3}}},
        {1.0 / 60.0, {{M::RK2, 1}, {M::RK2, 1}, {M::RK2, 2}, {M::RK2, 5}}},
        {0.1, {{M::RK2, 1}, {M::RK2, 3}, {M::RK4, 2}, {M::RK6, 2}}},
        {1.0, {{M::RK4, 1}, {M::RK6, 2}, {M::RK8, 2}, {M::RK8, 3}}},
        {10.0, {{M::RK6, 1}, {M::RK8, 3}, {M::RK8, 10}, {M::RK8, 10}}},
        {100.0, {{M::RK8, 1}, {M::RK8, 10}, {M::RK8, 10}, {M::RK8, 10}}},
    };
    for (const Row &r : rows)
        for (int i = 0; i < 4; ++i) {
            const SpinChoice got = quva::chooseSpin(r.dt, rates[i], false);
            EXPECT_EQ(got.method, r.want[i].method) << "dt " << r.dt << " rate " << rates[i];
            EXPECT_EQ(got.substeps, r.want[i].substeps) << "dt " << r.dt << " rate " << rates[i];
        }
    const SpinChoice contact = quva::chooseSpin(0.01, 0.0, true);
    EXPECT_EQ(contact.method, M::RK8);
    EXPECT_EQ(contact.substeps, 10);
}

double momentum(const SpinState &s, const Vec3 &pmi) {
    return length(Vec3{pmi.x * s.omega.x, pmi.y * s.omega.y, pmi.z * s.omega.z});
}
double energy(const SpinState &s, const Vec3 &pmi) {
    return pmi.x * s.omega.x * s.omega.x + pmi.y * s.omega.y * s.omega.y + pmi.z * s.omega.z * s.omega.z;
}

TEST(Spin, TorqueFreeBodyKeepsMomentumAndEnergyOver1000s) {
    // Relative drift over 1000 s stays under the bound for each frame length (each picks its
    // own propagator: RK2 x2, RK4 x2, RK8 x2; measured 1.8e-7, 4.2e-7 and 3.0e-5 for the
    // energy). The momentum vector also stays fixed in space, to within what the first-order
    // attitude update allows at the frame length.
    struct Case {
        double dt, bound, fixedInSpace;
    } cases[] = {{0.01, 1e-6, 1e-3}, {0.1, 1e-6, 1e-3}, {1.0, 1e-4, 1e-2}};
    for (const Case &c : cases) {
        SpinState s;
        s.omega = kOmega0;
        const double l0 = momentum(s, kPmi), e0 = energy(s, kPmi);
        const int frames = static_cast<int>(std::lround(1000.0 / c.dt));
        for (int i = 0; i < frames; ++i)
            quva::propagateSpin(s, kPmi, {}, c.dt, quva::chooseSpin(c.dt, length(s.omega), false));
        EXPECT_LT(std::fabs(momentum(s, kPmi) / l0 - 1.0), c.bound) << "dt " << c.dt;
        EXPECT_LT(std::fabs(energy(s, kPmi) / e0 - 1.0), c.bound) << "dt " << c.dt;
        // Global momentum R (I ω) stays put: compare with its value at the start, (0.2, 0.6, 1.2).
        const Vec3 lBody{kPmi.x * s.omega.x, kPmi.y * s.omega.y, kPmi.z * s.omega.z};
        const Vec3 lGlobal = quva::matrixOf(s.q) * lBody;
        EXPECT_NEAR(lGlobal.x, 0.2, c.fixedInSpace) << "dt " << c.dt;
        EXPECT_NEAR(lGlobal.y, 0.6, c.fixedInSpace) << "dt " << c.dt;
        EXPECT_NEAR(lGlobal.z, 1.2, c.fixedInSpace) << "dt " << c.dt;
    }
}

TEST(Spin, IntermediateAxisSpinTumbles) {
    // Spun about y (the middle moment) with a trace of x: the spin reverses within 100 s. About
    // the largest or smallest moment the same trace stays a trace.
    auto flip = [](Vec3 omega0) {
        SpinState s;
        s.omega = omega0;
        double lowest = 1.0;
        for (int i = 0; i < 10000; ++i) {
            quva::propagateSpin(s, kPmi, {}, 0.01, quva::chooseSpin(0.01, length(s.omega), false));
            lowest = std::fmin(lowest, dot(s.omega, omega0) / dot(omega0, omega0));
        }
        return lowest;
    };
    EXPECT_LT(flip({1e-4, 1.0, 0.0}), -0.9);
    EXPECT_GT(flip({0.0, 1e-4, 1.0}), 0.999);
    EXPECT_GT(flip({1.0, 1e-4, 0.0}), 0.999);
}

TEST(Spin, LimitsARunawayTurn) {
    SpinState s;
    s.omega = {0.0, 400.0, 300.0};
    s.alpha = {1.0, 1.0, 1.0};
    quva::limitSpin(s);
    EXPECT_NEAR(length(s.omega), quva::kMaxSpinRate, 1e-9);
    EXPECT_NEAR(s.omega.y / s.omega.z, 4.0 / 3.0, 1e-12);
    EXPECT_EQ(s.alpha, Vec3{});
    s.omega.x = NAN;
    s.q = {0.5, 0.5, 0.5, 0.5};
    quva::limitSpin(s);
    EXPECT_EQ(s.omega, (Vec3{0.0, 0.0, quva::kMaxSpinRate}));
    EXPECT_EQ(s.q, Quat{});
}

}  // namespace
