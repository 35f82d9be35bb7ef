// What a vessel class looks like in a replay: the meshes its vessels carry (by index into the
// replay's one table of meshes, each mesh stored once however many classes and vessels use it)
// and the animation components that move their groups, copied out of the module's transforms so
// that a page can pose the groups at any state as the pose drawings do (core/pose.h).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/vessel.h"
#include "files/mesh.h"

namespace quva::cli {

struct LookMesh {
    int mesh = -1;  // index into the replay's meshes; -1 for a slot whose file was missing
    Vec3 offset;    // m, vessel frame
};

struct LookComponent {
    enum class Kind { None, Rotate, Translate, Scale };
    std::size_t animation = 0;  // the animation whose state drives it
    double state0 = 0.0, state1 = 1.0;
    Kind kind = Kind::None;
    std::size_t meshSlot = 0;  // the vessel's mesh slot it moves groups of
    std::vector<unsigned> groups;
    Vec3 ref, axis, shift, scale{1.0, 1.0, 1.0};
    double angle = 0.0;  // rad
    int parent = -1;     // index into the class's components; -1: none
};

struct ClassLook {
    std::string className;
    std::vector<LookMesh> meshes;            // one per mesh slot of the vessel
    std::vector<double> initialStates;       // per animation: the state the stored meshes show
    std::vector<LookComponent> components;   // every animation's, in order
};

// The replay's meshes, each once, in the order first met.
class MeshTable {
public:
    // The index of `mesh` in the table, adding a copy of it when new.
    int indexOf(const Mesh &mesh);
    const std::vector<Mesh> &meshes() const { return meshes_; }

private:
    std::vector<Mesh> meshes_;
};

// The look of v's class, as v has it; its meshes are added to `table`.
ClassLook lookOf(const Vessel &v, MeshTable &table);

}  // namespace quva::cli
