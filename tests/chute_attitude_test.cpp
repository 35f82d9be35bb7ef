// The parachutes turning under their own airfoils: released 10° from hanging straight (canopy
// up, falling tail first), a deployed canopy swings back to its trim and its swing dies away.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/simulation.h"
#include "core/vessel_readings.h"
#include "world/body.h"

namespace {

using quva::Vec3;

std::string vec(const char *key, const Vec3 &v) {
    char text[160];
    std::snprintf(text, sizeof text, "%s %.9f %.9f %.9f", key, v.x, v.y, v.z);
    return text;
}

struct Swing {
    double trim = 0.0;      // deg from the vertical, mean over the last 10 s
    double residual = 0.0;  // deg, largest departure from the trim in the last 10 s
    double period = 0.0;    // s, between the first and third reversal of the pitch rate (0: none)
    double settle = 0.0;    // s until the tilt stays within 0.5° of the trim
};

// Flies the deployed chute for 120 s in steps of 0.02 s from 3000 m, falling at 20 m/s through
// the air, released tilted 10° nose-up from hanging straight; follows the angle between its +z
// axis and the local vertical.
Swing swingOf(const char *cls) {
    quva::SimulationOptions o;
    o.root = QUVA_BUILD_ROOT;
    o.dt = 0.02;
    quva::Simulation sim(o);
    const quva::Body &earth = quva::earth();
    const Vec3 pos{0.0, earth.radius + 3000.0, 0.0};
    const Vec3 air = quva::airVelocityAt(sim.orientation(earth), pos);
    quva::Vessel &v = sim.createVessel(
        "Chute", cls, {"STATUS Orbiting Earth", vec("RPOS", pos), vec("RVEL", air - Vec3{0, 20, 0}), "AROT 100 0 0", "STATE 1 1.0"});
    std::vector<double> tilt, reversals;
    double lastRate = 0.0;
    const int steps = static_cast<int>(120.0 / o.dt);
    for (int i = 0; i < steps; ++i) {
        sim.step();
        const Vec3 up = normalized(v.state.pos);
        const Vec3 nose{v.state.attitude.m[0][2], v.state.attitude.m[1][2], v.state.attitude.m[2][2]};
        tilt.push_back(std::acos(std::clamp(dot(up, nose), -1.0, 1.0)) * 180.0 / 3.14159265358979323846);
        // Reversals of the swing, counted while it is still a swing and not the planet's turn.
        if (std::fabs(v.state.omega.x) > 1e-4 && lastRate * v.state.omega.x < 0.0) reversals.push_back(sim.simTime());
        if (std::fabs(v.state.omega.x) > 1e-4) lastRate = v.state.omega.x;
    }
    Swing s;
    const std::size_t last = tilt.size() - static_cast<std::size_t>(10.0 / o.dt);
    for (std::size_t i = last; i < tilt.size(); ++i) s.trim += tilt[i] / static_cast<double>(tilt.size() - last);
    for (std::size_t i = last; i < tilt.size(); ++i) s.residual = std::fmax(s.residual, std::fabs(tilt[i] - s.trim));
    if (reversals.size() >= 3) s.period = reversals[2] - reversals[0];
    for (std::size_t i = tilt.size(); i-- > 0;)
        if (std::fabs(tilt[i] - s.trim) > 0.5) {
            s.settle = static_cast<double>(i + 1) * o.dt;
            break;
        }
    std::printf("%s: trim %.3f deg, residual %.5f deg, swing period %.2f s, settled within 0.5 deg after %.2f s\n",
                cls, s.trim, s.residual, s.period, s.settle);
    return s;
}

TEST(ChuteAttitude, DeployedCanopiesSwingBackAndSettle) {
    // The drogue trims some 6° off the vertical (its vertical airfoil acts 2 cm below the axis)
    // after a heavily damped swing; the main cluster, whose airfoils sit on its axis, hangs
    // straight and creeps back without overshooting.
    const Swing drogue = swingOf("Vantrel");
    EXPECT_NEAR(drogue.trim, 6.1, 0.3);
    EXPECT_LT(drogue.residual, 0.01);
    EXPECT_GT(drogue.period, 10.0);
    EXPECT_LT(drogue.settle, 30.0);
    const Swing main = swingOf("Ossum");
    EXPECT_LT(main.trim, 0.2);
    EXPECT_LT(main.residual, 0.01);
    EXPECT_EQ(main.period, 0.0);
    EXPECT_LT(main.settle, 60.0);
}

}  // namespace
