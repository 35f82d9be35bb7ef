// Surface bases and their landing pads, read from the base configuration files of a body
// (Config/BODY/Base/*.cfg, files that start with BASE-V2.0) in each tree, the first tree first.
// A vessel's BASE NAME:PAD line is resolved against them, and a landed vessel's saved BASE line
// names the base and pad it stands on.
#pragma once

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "world/vec3.h"

namespace quva {

struct SurfaceBase {
    std::string name;                   // the Name = item: what BASE lines use (may hold spaces)
    double lonDeg = 0.0, latDeg = 0.0;  // Location = lon lat
    std::vector<Vec3> pads;             // landing pad centres in order, metres, base-local frame:
                                        // +x south, +y up, +z east (LPAD1, LPAD2, LPAD2A objects)
    std::string file;                   // the file it was read from
};

// No base of that name on that body.
class BaseNotFound : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class BaseCatalog {  // reads lazily, once per body
public:
    explicit BaseCatalog(std::vector<std::filesystem::path> roots);

    // The base called `name` (exact, case-sensitive) of `body`, from Config/<body>/Base/*.cfg
    // files that start with BASE-V2.0, trees searched in order. Throws BaseNotFound whose what()
    // names the base, the body and every folder searched; InputError (file:line) for a malformed
    // base file.
    const SurfaceBase &find(const std::string &body, const std::string &name);

    // Every base of the body (to tell which pad a landed vessel stands on when saving).
    const std::vector<SurfaceBase> &of(const std::string &body);

private:
    std::vector<std::filesystem::path> folders(const std::string &body) const;

    std::vector<std::filesystem::path> roots_;
    std::map<std::string, std::vector<SurfaceBase>> bodies_;
};

// Reads one base configuration file. Returns false when the file is no base file (its first
// line that is not blank or a comment does not start with BASE-V2.0). Throws InputError (file
// and line) when it is one but malformed.
bool parseBaseFile(const std::string &text, const std::string &file, SurfaceBase &base);

}  // namespace quva
