// ELEMENTS lines turned into a state: where the orbit's shape and orientation put the vessel,
// how the mean longitude moves on to the scenario's date, and elements that are no orbit.
#include <gtest/gtest.h>

#include <cmath>

#include "files/host_lines.h"
#include "world/body.h"
#include "world/orbital_elements.h"

namespace {

using quva::ElementsLine;
using quva::StateVector;
using quva::Vec3;

constexpr double kMu = 3.986004e14;

void expectNear(const Vec3 &a, const Vec3 &b, double tol, const char *what) {
    EXPECT_NEAR(length(a - b), 0.0, tol) << what << ": (" << a.x << ", " << a.y << ", " << a.z << ")";
}

TEST(OrbitalElements, PlaceTheVesselOnItsOrbit) {
    const double a = 7e6, e = 0.1;
    const double rp = a * (1 - e), vp = std::sqrt(kMu * (1 + e) / (a * (1 - e)));
    const double ra = a * (1 + e), va = std::sqrt(kMu * (1 - e) / (a * (1 + e)));
    const double vc = std::sqrt(kMu / a);
    struct Case {
        const char *what;
        ElementsLine el;
        Vec3 pos, vel;
    } cases[] = {
        // In the ecliptic, periapsis at the equinox: at +x moving toward +z.
        {"periapsis", {a, e, 0, 0, 0, 0, 51544.5}, {rp, 0, 0}, {0, 0, vp}},
        {"apoapsis", {a, e, 0, 0, 0, 180, 51544.5}, {-ra, 0, 0}, {0, 0, -va}},
        // Node at 90°, inclined 90°: a quarter past the node lies over the ecliptic's pole (+y).
        {"polar", {a, 0, 90, 90, 90, 180, 51544.5}, {0, a, 0}, {0, 0, -vc}},
        // Periapsis 90° past the node: the same ellipse turned a quarter toward +z.
        {"turned", {a, e, 0, 0, 90, 90, 51544.5}, {0, 0, rp}, {-vp, 0, 0}},
    };
    for (const auto &c : cases) {
        const StateVector s = quva::stateFromElements(c.el, kMu, 51544.5);
        expectNear(s.pos, c.pos, 1e-3, c.what);
        expectNear(s.vel, c.vel, 1e-6, c.what);
    }
}

TEST(OrbitalElements, MeanLongitudeMovesOnToTheScenarioDate) {
    const ElementsLine el{8e6, 0.3, 28.5, 40.0, 100.0, 10.0, 60000.0};
    const double period = 2 * 3.14159265358979323846 * std::sqrt(8e6 * 8e6 * 8e6 / kMu);
    const StateVector atEpoch = quva::stateFromElements(el, kMu, 60000.0);
    // A whole number of revolutions later it is back where it started.
    const StateVector later = quva::stateFromElements(el, kMu, 60000.0 + 5 * period / 86400.0);
    expectNear(later.pos, atEpoch.pos, 1e-2, "position");
    expectNear(later.vel, atEpoch.vel, 1e-5, "velocity");
    // Half a revolution on, energy and the orbit's plane are kept and the vessel has moved.
    const StateVector half = quva::stateFromElements(el, kMu, 60000.0 + 0.5 * period / 86400.0);
    auto energy = [](const StateVector &s) { return dot(s.vel, s.vel) / 2 - kMu / length(s.pos); };
    EXPECT_NEAR(energy(half), -kMu / (2 * 8e6), 1e-6 * kMu / 8e6);
    EXPECT_NEAR(energy(atEpoch), -kMu / (2 * 8e6), 1e-6 * kMu / 8e6);
    const Vec3 n0 = normalized(cross(atEpoch.pos, atEpoch.vel)), n1 = normalized(cross(half.pos, half.vel));
    expectNear(n0, n1, 1e-9, "orbit normal");
    EXPECT_GT(length(half.pos - atEpoch.pos), 1e6);
}

TEST(OrbitalElements, OpenOrbitKeepsItsEnergy) {
    const ElementsLine el{-2e7, 1.5, 10.0, 20.0, 30.0, 30.0, 51544.5};
    for (double days : {0.0, 0.1, -0.1}) {
        const StateVector s = quva::stateFromElements(el, kMu, 51544.5 + days);
        EXPECT_NEAR(dot(s.vel, s.vel) / 2 - kMu / length(s.pos), kMu / (2 * 2e7), 1e-6 * kMu / 2e7) << days;
    }
    const StateVector s = quva::stateFromElements(el, kMu, 51544.5);
    EXPECT_NEAR(length(s.pos), -2e7 * (1 - 1.5), 1.0);  // at periapsis
}

TEST(OrbitalElements, ElementsThatAreNoOrbitAreNamed) {
    struct Case {
        ElementsLine el;
        const char *problem;  // a word of the message; empty: fine
    } cases[] = {
        {{7e6, 0.0, 0, 0, 0, 0, 0}, ""},
        {{-7e6, 1.2, 0, 0, 0, 0, 0}, ""},
        {{7e6, 1.0, 0, 0, 0, 0, 0}, "open"},
        {{7e6, 1.5, 0, 0, 0, 0, 0}, "open"},
        {{-7e6, 0.5, 0, 0, 0, 0, 0}, "closed"},
        {{0.0, 0.5, 0, 0, 0, 0, 0}, "semi-major"},
        {{7e6, -0.1, 0, 0, 0, 0, 0}, "negative"},
    };
    for (const auto &c : cases) {
        const std::string p = quva::elementsProblem(c.el);
        if (*c.problem == '\0') EXPECT_EQ(p, "") << c.el.a << " " << c.el.e;
        else EXPECT_NE(p.find(c.problem), std::string::npos) << p;
    }
}

}  // namespace
