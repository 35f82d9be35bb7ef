// Vessel class configuration files (Config/Vessels/CLASS.cfg): the keys the host reads of them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "world/vec3.h"

namespace quva {

struct AttachmentSpec {
    bool toParent = true;
    Vec3 pos, dir, rot;
    std::string id;
};

struct ClassConfig {
    std::filesystem::path file;
    std::optional<std::string> module;
    std::optional<double> size, mass;
    std::optional<Vec3> inertia, crossSections;
    std::optional<std::string> meshName;
    std::vector<AttachmentSpec> attachments;
};

// Parses a class configuration file: "KEY = value" lines, ';' starts a comment, keys compared
// without regard to case, unknown keys ignored, attachment points between BEGIN_ATTACHMENT and
// END_ATTACHMENT. Throws InputError (file and line) on a malformed value.
ClassConfig parseClassConfig(const std::string &text, const std::string &file);

}  // namespace quva
