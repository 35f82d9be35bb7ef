// The mesh-group transforms that modules build and the host reads. They are defined here, in the
// runtime, so that their vtables and type information are the host's own: a module constructs
// them against the host's definition and the host can tell their kind by Type().
#include "OrbiterAPI.h"

MGROUP_TRANSFORM::MGROUP_TRANSFORM() : mesh(0), grp(nullptr), ngrp(0) {}

MGROUP_TRANSFORM::MGROUP_TRANSFORM(UINT mesh_, UINT *grp_, UINT ngrp_) : mesh(mesh_), grp(grp_), ngrp(ngrp_) {}

MGROUP_TRANSFORM::~MGROUP_TRANSFORM() = default;

MGROUP_TRANSFORM::TYPE MGROUP_TRANSFORM::Type() const { return NULLTRANSFORM; }

MGROUP_ROTATE::MGROUP_ROTATE(UINT mesh_, UINT *grp_, UINT ngrp_, const VECTOR3 &ref_, const VECTOR3 &axis_,
                             float angle_)
    : MGROUP_TRANSFORM(mesh_, grp_, ngrp_), ref(ref_), axis(axis_), angle(angle_) {}

MGROUP_TRANSFORM::TYPE MGROUP_ROTATE::Type() const { return ROTATE; }

MGROUP_TRANSLATE::MGROUP_TRANSLATE(UINT mesh_, UINT *grp_, UINT ngrp_, const VECTOR3 &shift_)
    : MGROUP_TRANSFORM(mesh_, grp_, ngrp_), shift(shift_) {}

MGROUP_TRANSFORM::TYPE MGROUP_TRANSLATE::Type() const { return TRANSLATE; }

MGROUP_SCALE::MGROUP_SCALE(UINT mesh_, UINT *grp_, UINT ngrp_, const VECTOR3 &ref_, const VECTOR3 &scale_)
    : MGROUP_TRANSFORM(mesh_, grp_, ngrp_), ref(ref_), scale(scale_) {}

MGROUP_TRANSFORM::TYPE MGROUP_SCALE::Type() const { return SCALE; }
