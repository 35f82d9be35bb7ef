// Vessel class configuration files (Config/Vessels/CLASS.cfg), read as the simulator reads them:
// "Label = value" items found by label without regard to case, the first of a label counting and
// END_PARSE ending the search; the dock and attachment lists line by line from their column-0
// headers.
#pragma once

#include <array>
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

// A docking port: a BEGIN_DOCKLIST line, or the DockRef, DockDir and DockRot keys.
struct ClassDock {
    Vec3 pos, dir, rot;
    std::optional<int> idsStep;  // an approach beacon at 108.00 + 0.05 x step MHz
};

// A vertex of a CollisionHull file: a position, and the spring, damper and friction values the
// line gives (those it leaves out are the simulator's: 1e6 N/m, 1e5 N s/m, the vessel's friction).
struct HullVertex {
    Vec3 pos;
    std::optional<double> stiffness, damping, mu, muLng;
};

// PropellantResourceN: a full store.
struct ClassStore {
    double maxMass = 0.0;
    double efficiency = 1.0;
};

struct ClassConfig {
    std::filesystem::path file;
    std::optional<std::string> module;     // only this file's own, never a base class's
    std::optional<std::string> baseClass;  // read first; this file's keys then override it
    std::optional<double> size, mass;
    std::optional<Vec3> inertia, crossSections;
    std::optional<std::string> meshName;
    std::optional<double> gravityGradientDamping;
    std::optional<std::array<double, 4>> cw;  // z+, z-, x, y
    std::optional<Vec3> rotResistance, cameraOffset;
    std::optional<std::array<Vec3, 3>> touchdownPoints;  // over a CollisionHull
    std::optional<std::string> collisionHull;            // Config/NAME.dat
    std::vector<HullVertex> hull;                        // as read from it by the class's reader
    // Stores and thrusters, created in this order: PropellantResource1, 2, ...; MaxFuel (when no
    // store exists); then main, retro, hover and attitude thrusters at Isp.
    std::vector<ClassStore> stores;
    std::optional<double> maxFuel, isp;
    std::optional<double> maxMainThrust, maxRetroThrust, maxHoverThrust, maxAttitudeThrust;
    std::optional<ClassDock> dockKeys;  // port 0 from DockRef, DockDir, DockRot
    std::vector<ClassDock> docks;       // BEGIN_DOCKLIST
    std::vector<AttachmentSpec> attachments;
    // What the simulator would read differently from what the file plainly means, "file:line: what".
    std::vector<std::string> warnings;
};

// Parses a class configuration file. Throws InputError (file and line) on a malformed value of a
// key this host uses.
ClassConfig parseClassConfig(const std::string &text, const std::string &file);

// A CollisionHull file: a first line with the number of vertices N >= 3, then N lines of
// "x y z [k c mu mu_lng]". Returns no vertices when a line has fewer than three numbers (the
// simulator then ignores the whole file), with `problem` saying where.
std::vector<HullVertex> parseCollisionHull(const std::string &text, const std::string &file, std::string &problem);

// `base` with the keys of `derived` over it: single values of `derived` replace those of `base`,
// stores, ports and attachment points add to them; the module is `derived`'s alone.
ClassConfig withBaseClass(const ClassConfig &base, ClassConfig derived);

}  // namespace quva
