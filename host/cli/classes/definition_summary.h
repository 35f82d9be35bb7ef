// What a vessel class defined, as the host holds it after creating one vessel: the physical
// definition, the parts it made (attachments, airfoils, stores, thrusters), its meshes and its
// animations.
#pragma once

#include <ostream>

#include "core/simulation.h"

namespace quva::cli {

void printDefinition(std::ostream &out, const Vessel &v);

}  // namespace quva::cli
