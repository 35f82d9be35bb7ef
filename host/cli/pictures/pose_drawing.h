// A vessel's meshes, posed at its current animation states, drawn from three sides as an SVG
// picture: flat-shaded triangles painted far to near, the groups that animations move tinted.
#pragma once

#include <string>

#include "core/vessel.h"

namespace quva::cli {

struct PoseDrawingText {
    std::string title;     // e.g. the class name
    std::string subtitle;  // e.g. the animation states shown
};

// Throws std::runtime_error when the vessel has no mesh triangles to draw.
std::string drawPose(const Vessel &v, const PoseDrawingText &text);

}  // namespace quva::cli
