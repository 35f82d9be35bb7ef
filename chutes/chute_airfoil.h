// Aerodynamics of an open parachute canopy, handed to the host as airfoil coefficient functions.
// Both parachute modules build this file; each gets its own statics and its own canopy size
// (QUVA_CANOPY_RADIUS, metres).
#ifndef QUVA_CHUTES_CHUTE_AIRFOIL_H
#define QUVA_CHUTES_CHUTE_AIRFOIL_H

namespace chutes {

// m², π·r² of this module's canopy radius; set while the library loads, before any vessel exists.
// Passed as the chord of every airfoil (the area argument stays 0, so the host uses the
// vessel's cross sections).
extern const double canopyArea;

// Coefficient functions in the host's airfoil signature. Angle of attack in radians; Mach and
// Reynolds numbers are not used. Outputs: lift, moment and drag coefficients.
void chuteVerticalCoeffs(double aoa, double mach, double reynolds, double *cl, double *cm, double *cd);
void chuteHorizontalCoeffs(double aoa, double mach, double reynolds, double *cl, double *cm, double *cd);

}  // namespace chutes

#endif
