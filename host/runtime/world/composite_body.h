// Several rigid parts held together and flown as one body: its mass, centre of mass and
// principal moments, the way the simulator sums a docked assembly.
#pragma once

#include <vector>

#include "world/vec3.h"

namespace quva {

// One part, placed in the frame of the body it belongs to.
struct BodyPart {
    double mass = 0.0;  // kg
    Vec3 pmi;           // m², principal moments per unit mass, in the part's own axes
    Mat3 rotation;      // the part's axes in the body's frame
    Vec3 position;      // m, the part's centre of mass in the body's frame
};

struct CompositeBody {
    double mass = 0.0;   // kg
    Vec3 centreOfMass;   // m, in the body's frame
    Vec3 pmi;            // m² per unit mass, about the centre of mass, diagonal terms only
};

// Each part stands in as six point masses m/6 at ±a, ±b, ±c on its own axes, placed to carry its
// moments exactly (a² = 1.5|−Ix+Iy+Iz| and so on); the points are turned into the body's frame and
// their moments about the common centre of mass summed. Only the diagonal is kept, as the
// simulator keeps it. Parts without mass are left out; a body without mass has none.
CompositeBody combine(const std::vector<BodyPart> &parts);

}  // namespace quva
