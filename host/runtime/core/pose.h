// The posed mesh: where each vertex of a vessel's mesh is at the vessel's current animation
// states. The stored mesh shows every animation at its initial state, so a component moves its
// groups by its transform at the current state relative to its transform at the initial state;
// a component with a parent is moved by its own transform, then by each ancestor's.
#pragma once

#include <cstddef>
#include <vector>

#include "world/vec3.h"

namespace quva {

struct Vessel;

// Vertex positions of one group of one of the vessel's meshes, in the vessel frame (the mesh
// offset included). Empty when the mesh or group does not exist.
std::vector<Vec3> posedGroup(const Vessel &v, std::size_t meshIndex, std::size_t group);

}  // namespace quva
