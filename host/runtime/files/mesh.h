// Meshes in the host's text format (.msh), and the store that loads each one once and keeps it
// for the rest of the run. Vessels hold shared, read-only pointers into the store.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "files/input_error.h"
#include "world/vec3.h"

namespace quva {

struct MeshGroup {
    std::string label;  // the LABEL line, when present
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;  // empty when the file gives none
    std::vector<std::array<std::uint32_t, 3>> triangles;
};

struct Mesh {
    std::string name;  // as requested, e.g. "Quva/Pilmont"
    std::filesystem::path file;
    std::vector<MeshGroup> groups;
};

// Parses the text of a .msh file. Throws InputError (file and line) on malformed input.
Mesh parseMesh(const std::string &text, const std::string &file);

class MeshStore {
public:
    explicit MeshStore(std::filesystem::path meshDir);
    // Mesh folders searched in this order: the first that holds a mesh's file gives it.
    explicit MeshStore(std::vector<std::filesystem::path> meshDirs);

    // The one shared mesh of Meshes/NAME.msh, loaded on first request (and parsed once per
    // process while the file stays the same). Null when the file is
    // missing or unreadable; `problem` then says why (it is left alone on success).
    const Mesh *load(const std::string &name, std::string *problem = nullptr);
    std::size_t size() const { return meshes_.size(); }

    // The error of the first mesh file that was found but malformed, if any: unlike a missing
    // file, which leaves a vessel without its looks, a malformed one is bad input to report.
    const std::optional<InputError> &firstMalformed() const { return malformed_; }

private:
    std::optional<InputError> malformed_;
    std::vector<std::filesystem::path> dirs_;
    std::map<std::string, std::shared_ptr<const Mesh>> meshes_;  // null entries remember failures
    std::map<std::string, std::string> problems_;          // why each failed name failed
};

}  // namespace quva
