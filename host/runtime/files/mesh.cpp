#include "files/mesh.h"
#include "files/name_lookup.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string_view>

#include "files/input_error.h"
#include "files/input_file.h"
#include "files/text_fields.h"

namespace quva {

namespace {

// Walks the significant lines of a mesh file (comments after ';' and blank lines skipped),
// remembering line numbers for error messages.
class MeshReader {
public:
    MeshReader(const std::string &text, const std::string &file) : file_(file), lines_(text::lines(text)) {}

    // The words of the next significant line, or empty at the end of the file.
    std::vector<std::string_view> next() {
        while (pos_ < lines_.size()) {
            if (const std::string problem = text::lineProblem(lines_[pos_]); !problem.empty()) {
                current_ = static_cast<int>(pos_ + 1);
                fail(problem);
            }
            const std::string_view line = text::trimmed(text::withoutComment(lines_[pos_++]));
            if (!line.empty()) {
                current_ = static_cast<int>(pos_);
                return text::words(line);
            }
        }
        current_ = endLine();
        return {};
    }

    // The next significant line, which must exist; `expected` says what was wanted.
    std::vector<std::string_view> require(const std::string &expected) {
        auto w = next();
        if (w.empty()) fail("unexpected end of file, expected " + expected);
        return w;
    }

    // The words of the next significant line, left to be read again by next().
    std::vector<std::string_view> peek() {
        const std::size_t pos = pos_;
        const int current = current_;
        auto w = next();
        pos_ = pos;
        current_ = current;
        return w;
    }

    // The text of the current line after its first word, as written (for LABEL).
    std::string restOfLine() const {
        std::string_view line = text::trimmed(text::withoutComment(lines_[current_ - 1]));
        std::size_t i = 0;
        while (i < line.size() && !text::isBlank(line[i])) ++i;
        return std::string(text::trimmed(line.substr(i)));
    }

    std::size_t remainingLines() const { return lines_.size() - pos_; }

    [[noreturn]] void fail(const std::string &what) const { throw InputError(file_, current_, what); }

private:
    int endLine() const { return std::max<int>(1, static_cast<int>(lines_.size())); }

    std::string file_;
    std::vector<std::string_view> lines_;
    std::size_t pos_ = 0;
    int current_ = 0;
};

std::uint32_t count(MeshReader &in, std::string_view word, const char *what) {
    const auto n = text::unsignedNumber<std::uint32_t>(word);
    if (!n) in.fail(std::string("bad ") + what + " " + text::quoted(word));
    return *n;
}

void expectArgs(MeshReader &in, const std::vector<std::string_view> &w, std::size_t n) {
    if (w.size() != n + 1)
        in.fail(std::string(w[0]) + " takes " + std::to_string(n) + (n == 1 ? " value" : " values") + ", found " +
                std::to_string(w.size() - 1));
}

void readVertices(MeshReader &in, MeshGroup &g, std::uint32_t nv) {
    g.positions.reserve(std::min<std::size_t>(nv, in.remainingLines()));
    for (std::uint32_t i = 0; i < nv; ++i) {
        const auto w = in.require("vertex " + std::to_string(i) + " of " + std::to_string(nv));
        if (w.size() != 3 && w.size() != 6 && w.size() != 8)
            in.fail("a vertex line holds 3, 6 or 8 numbers, found " + std::to_string(w.size()));
        double v[8] = {};
        for (std::size_t k = 0; k < w.size(); ++k) {
            const auto x = text::number(w[k]);
            if (!x) in.fail("bad number " + text::quoted(w[k]) + " in a vertex line");
            v[k] = *x;
        }
        // Normals are kept only when every vertex of the group has one; a group that mixes the
        // two forms is malformed rather than silently half-lit.
        const bool hasNormal = w.size() >= 6;
        if (i > 0 && hasNormal != (g.normals.size() == g.positions.size()))
            in.fail("vertex " + std::to_string(i) + (hasNormal ? " has a normal but earlier vertices have none"
                                                               : " has no normal but earlier vertices have one"));
        g.positions.push_back({v[0], v[1], v[2]});
        if (hasNormal) g.normals.push_back({v[3], v[4], v[5]});
    }
}

void readTriangles(MeshReader &in, MeshGroup &g, std::uint32_t nt) {
    const std::size_t nv = g.positions.size();
    g.triangles.reserve(std::min<std::size_t>(nt, in.remainingLines()));
    for (std::uint32_t i = 0; i < nt; ++i) {
        const auto w = in.require("triangle " + std::to_string(i) + " of " + std::to_string(nt));
        if (w.size() != 3) in.fail("a triangle line holds 3 vertex indices, found " + std::to_string(w.size()));
        std::array<std::uint32_t, 3> t{};
        for (std::size_t k = 0; k < 3; ++k) {
            const auto idx = text::unsignedNumber<std::uint32_t>(w[k]);
            if (!idx) in.fail("bad vertex index " + text::quoted(w[k]));
            if (*idx >= nv)
                in.fail("vertex index " + std::to_string(*idx) + " out of range, the group has " +
                        std::to_string(nv) + " vertices");
            t[k] = *idx;
        }
        g.triangles.push_back(t);
    }
}

MeshGroup readGroup(MeshReader &in, std::uint32_t index) {
    MeshGroup g;
    const std::string which = "group " + std::to_string(index);
    for (;;) {
        const auto w = in.require("GEOM of " + which);
        const std::string_view d = w[0];
        if (d == "GEOM") {
            expectArgs(in, w, 2);
            const auto nv = count(in, w[1], "vertex count");
            const auto nt = count(in, w[2], "triangle count");
            readVertices(in, g, nv);
            readTriangles(in, g, nt);
            return g;
        }
        if (d == "LABEL") {
            g.label = in.restOfLine();
            if (g.label.empty()) in.fail("LABEL without a name");
        } else if (d == "NONORMAL") {
            expectArgs(in, w, 0);
        } else if (d == "MATERIAL" || d == "TEXTURE" || d == "ZBIAS") {
            expectArgs(in, w, 1);
            if (!text::signedNumber<long>(w[1])) in.fail("bad " + std::string(d) + " value " + text::quoted(w[1]));
        } else if (d == "FLAG") {
            expectArgs(in, w, 1);
            if (!text::unsignedNumber<std::uint32_t>(w[1], 16)) in.fail("bad FLAG value " + text::quoted(w[1]));
        } else if (d == "TEXWRAP") {
            expectArgs(in, w, 1);
        } else {
            in.fail("unknown directive " + text::quoted(d) + " in " + which);
        }
    }
}

// What follows the groups: an optional material section, whose contents the host does not use,
// then an optional texture section with one file name per line, then nothing.
void readTrailer(MeshReader &in) {
    auto w = in.next();
    if (w.empty()) return;
    if (w[0] == "MATERIALS") {
        expectArgs(in, w, 1);
        const auto n = count(in, w[1], "material count");
        for (;;) {
            const auto p = in.peek();
            if (p.empty() || p[0] == "TEXTURES") break;
            if (n == 0) {
                in.next();
                in.fail("unexpected line after MATERIALS 0");
            }
            in.next();
        }
        w = in.next();
        if (w.empty()) return;
    }
    if (w[0] != "TEXTURES") in.fail("unexpected " + text::quoted(w[0]) + " after the last group");
    expectArgs(in, w, 1);
    const auto n = count(in, w[1], "texture count");
    for (std::uint32_t i = 0; i < n; ++i) in.require("texture " + std::to_string(i) + " of " + std::to_string(n));
    if (!in.next().empty()) in.fail("unexpected line after the texture list");
}

}  // namespace

Mesh parseMesh(const std::string &text, const std::string &file) {
    MeshReader in(text, file);
    Mesh mesh;
    mesh.file = file;

    const auto header = in.require("the header MSHX1");
    if (header.size() != 1 || header[0] != "MSHX1") in.fail("expected the header MSHX1");

    const auto groups = in.require("GROUPS <count>");
    if (groups[0] != "GROUPS") in.fail("expected GROUPS <count>, found " + text::quoted(groups[0]));
    expectArgs(in, groups, 1);
    const auto n = count(in, groups[1], "group count");

    mesh.groups.reserve(std::min<std::size_t>(n, in.remainingLines()));
    for (std::uint32_t i = 0; i < n; ++i) mesh.groups.push_back(readGroup(in, i));
    readTrailer(in);
    return mesh;
}

MeshStore::MeshStore(std::filesystem::path meshDir) : dirs_{std::move(meshDir)} {}

MeshStore::MeshStore(std::vector<std::filesystem::path> meshDirs) : dirs_(std::move(meshDirs)) {
    if (dirs_.empty()) dirs_.emplace_back("Meshes");
}

namespace {

// Mesh names are relative paths below the mesh folder; anything that could leave it is refused.
// Either separator counts: '\' separates folders in the simulator's names.
bool isSafeMeshName(const std::string &name) {
    if (name.empty()) return false;
    const std::filesystem::path p(withForwardSlashes(name));
    if (p.is_absolute() || p.has_root_name() || p.has_root_directory()) return false;
    for (const auto &part : p)
        if (part == "..") return false;
    return true;
}

}  // namespace

namespace {

// Meshes once parsed, shared by every simulation of the process: a script that loads a scenario
// thousands of times reads each mesh file once. A file is known by its path, size and time of
// its last change, so an edited file is read again. Meshes are never changed once parsed.
std::shared_ptr<const Mesh> parsedMesh(const std::filesystem::path &file, const std::string &name) {
    struct Known {
        std::uintmax_t size = 0;
        std::filesystem::file_time_type changed;
        std::shared_ptr<const Mesh> mesh;
    };
    static std::mutex lock;
    static std::map<std::string, Known> known;
    std::error_code sizeError, timeError;
    const std::uintmax_t size = std::filesystem::file_size(file, sizeError);
    const auto changed = std::filesystem::last_write_time(file, timeError);
    const bool identified = !sizeError && !timeError;
    if (identified) {
        std::lock_guard<std::mutex> guard(lock);
        auto it = known.find(file.string());
        if (it != known.end() && it->second.size == size && it->second.changed == changed) return it->second.mesh;
    }
    auto mesh = std::make_shared<Mesh>(parseMesh(readInputFile(file, "mesh file"), file.string()));
    mesh->name = name;
    if (identified) {
        std::lock_guard<std::mutex> guard(lock);
        known[file.string()] = {size, changed, mesh};
    }
    return mesh;
}

}  // namespace

const Mesh *MeshStore::load(const std::string &name, std::string *problem) {
    if (auto it = meshes_.find(name); it != meshes_.end()) {
        if (!it->second && problem) *problem = problems_[name];
        return it->second.get();
    }

    // The first folder that holds the file (its name matched as the simulator's file system
    // does); when none does, the first folder's, for the message.
    const std::string relative = withForwardSlashes(name) + ".msh";
    std::filesystem::path file = dirs_.front() / relative;
    std::string elsewhere, why;
    bool found = false;
    if (!isSafeMeshName(name)) {
        why = "mesh name " + text::quoted(name) + " does not name a file inside " + dirs_.front().string();
    } else {
        try {
            for (std::size_t i = 0; i < dirs_.size() && !found; ++i) {
                if (auto f = findWithoutCase(dirs_[i], relative)) {
                    file = *f;
                    found = true;
                } else if (i > 0) {
                    elsewhere += (elsewhere.empty() ? " (nor in " : ", ") + dirs_[i].string();
                }
            }
            if (!found) why = "mesh file " + file.string() + " not found" + (elsewhere.empty() ? "" : elsewhere + ")");
        } catch (const AmbiguousName &e) {
            why = std::string("mesh ") + e.what();
        }
    }
    std::shared_ptr<const Mesh> mesh;
    if (found) {
        // A file that is there but cannot be read as a mesh (a folder, a pipe, one far too
        // large) is as much an error as a malformed one.
        try {
            mesh = parsedMesh(file, name);
        } catch (const InputError &e) {
            why = std::string("malformed mesh: ") + e.what();
            if (!malformed_) malformed_ = e;
        }
    }

    if (!mesh) {
        problems_[name] = why;
        if (problem) *problem = why;
    }
    return meshes_.emplace(name, std::move(mesh)).first->second.get();
}

}  // namespace quva
