#include "chute_airfoil.h"

#include "Orbitersdk.h"

#ifndef QUVA_CANOPY_RADIUS
#error "QUVA_CANOPY_RADIUS (canopy radius in metres) must be defined by the module that builds this file"
#endif

namespace chutes {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double canopyRadius = QUVA_CANOPY_RADIUS;  // m

// The coefficient tables run over a 13-node grid, node k at -180° + 30°·k.
constexpr int kNodes = 13;
constexpr int kLastSegment = kNodes - 2;  // lower node of the highest interpolation segment
constexpr double kGridStepDeg = 30.0;     // deg
constexpr double kAngleOffset = kPi;      // rad, shifts -180° onto node 0

constexpr double kVerticalLift[kNodes] = {0, -0.12, -0.1, 0, 0, 0, 0, 0, 0, 0, 0.1, 0.12, 0};
// Ten times the moment coefficient; kMomentScale brings it back.
constexpr double kVerticalMoment[kNodes] = {0,      -0.0002, -0.0004, -0.0004, -0.0003, -0.0002, 0,
                                            0.0002, 0.0003,  0.0004,  0.0004,  0.0002,  0};
constexpr double kHorizontalLift[kNodes] = {0, -0.1, -0.1, 0, 0, 0, 0, 0, 0, 0, 0.1, 0.1, 0};
constexpr double kMomentScale = 0.1;

// Drag: the host's induced drag for the lift coefficient plus a constant base drag.
constexpr double kInducedAspectRatio = 1.27;
constexpr double kInducedEfficiency = 0.3;
constexpr double kBaseDrag = 0.25;

// Position of an angle on the grid: the segment's lower node and the offset from it. Angles
// beyond ±180° extend the end segments' straight lines (the offset is not clamped). The node is
// clamped before the conversion to int, so a non-finite or huge angle cannot overflow it.
struct GridPosition {
    int node;
    double offset;
};

GridPosition gridPosition(double aoa, double inverseStep) {
    const double x = (aoa + kAngleOffset) * inverseStep;
    int node = 0;
    if (x >= kLastSegment) {
        node = kLastSegment;
    } else if (x > 0) {
        node = static_cast<int>(x);
    }
    return {node, x - node};
}

double lookUp(const double (&table)[kNodes], GridPosition at) {
    return table[at.node] + at.offset * (table[at.node + 1] - table[at.node]);
}

double dragFor(double lift) { return oapiGetInducedDrag(lift, kInducedAspectRatio, kInducedEfficiency) + kBaseDrag; }

}  // namespace

const double canopyArea = kPi * (canopyRadius * canopyRadius);

void chuteVerticalCoeffs(double aoa, double, double, double *cl, double *cm, double *cd) {
    static const double step = RAD * kGridStepDeg;  // rad
    static const double inverseStep = 1.0 / step;   // per rad, so that no call divides
    const GridPosition at = gridPosition(aoa, inverseStep);
    *cl = lookUp(kVerticalLift, at);
    *cm = lookUp(kVerticalMoment, at) * kMomentScale;
    *cd = dragFor(*cl);
}

void chuteHorizontalCoeffs(double aoa, double, double, double *cl, double *cm, double *cd) {
    static const double step = RAD * kGridStepDeg;  // rad
    static const double inverseStep = 1.0 / step;   // per rad
    const GridPosition at = gridPosition(aoa, inverseStep);
    *cl = lookUp(kHorizontalLift, at);
    *cm = 0.0;
    *cd = dragFor(*cl);
}

}  // namespace chutes
