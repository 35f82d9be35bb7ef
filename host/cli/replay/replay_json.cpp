#include "replay/replay_json.h"

#include <algorithm>

#include "replay/json_text.h"
#include "replay/page_frame.h"
#include "replay/string_sink.h"
#include "world/body.h"

namespace quva::cli {

namespace {

constexpr double kMillimetre = 1e-3;
constexpr double kMeshUnit = 1e-4;  // m: a tenth of a millimetre

// Appends the items of `values` written by `write`, comma separated, in brackets.
template <class T, class F>
void appendList(std::string &out, const std::vector<T> &values, F write) {
    out += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i) out += ',';
        write(out, values[i]);
    }
    out += ']';
}

std::string vectorJson(const Vec3 &v, double unit) {
    return "[" + jsonFixed(v.x, unit) + "," + jsonFixed(v.y, unit) + "," + jsonFixed(v.z, unit) + "]";
}

void appendMesh(std::string &out, const Mesh &mesh) {
    out += "{\"name\":" + jsonString(mesh.name) + ",\"groups\":";
    appendList(out, mesh.groups, [](std::string &o, const MeshGroup &g) {
        o += "{\"label\":" + jsonString(g.label) + ",\"vertices\":";
        appendList(o, g.positions, [](std::string &p, const Vec3 &v) {
            const Vec3 w = pageVector(v);
            p += jsonFixed(w.x, kMeshUnit) + "," + jsonFixed(w.y, kMeshUnit) + "," + jsonFixed(w.z, kMeshUnit);
        });
        o += ",\"triangles\":";
        // Wound the other way round, as the axes are (page_frame.h).
        appendList(o, g.triangles, [](std::string &p, const std::array<std::uint32_t, 3> &t) {
            p += std::to_string(t[0]) + "," + std::to_string(t[2]) + "," + std::to_string(t[1]);
        });
        o += '}';
    });
    out += '}';
}

const char *kindName(LookComponent::Kind k) {
    switch (k) {
    case LookComponent::Kind::Rotate: return "rotate";
    case LookComponent::Kind::Translate: return "translate";
    case LookComponent::Kind::Scale: return "scale";
    case LookComponent::Kind::None: break;
    }
    return "none";
}

void appendComponent(std::string &out, const LookComponent &c) {
    out += "{\"animation\":" + std::to_string(c.animation) + ",\"state0\":" + jsonNumber(c.state0) +
           ",\"state1\":" + jsonNumber(c.state1) + ",\"type\":\"" + kindName(c.kind) +
           "\",\"meshSlot\":" + std::to_string(c.meshSlot) + ",\"groups\":";
    appendList(out, c.groups, [](std::string &o, unsigned g) { o += std::to_string(g); });
    out += ",\"ref\":" + vectorJson(pageVector(c.ref), kMeshUnit) +
           ",\"axis\":" + vectorJson(pageRotationAxis(c.axis), 1e-9) + ",\"angle\":" + jsonNumber(c.angle) +
           ",\"shift\":" + vectorJson(pageVector(c.shift), kMeshUnit) + ",\"scale\":" + vectorJson(c.scale, 1e-9) +
           ",\"parent\":" + std::to_string(c.parent) + "}";
}

void appendClass(std::string &out, const ClassLook &look) {
    out += "{\"name\":" + jsonString(look.className) + ",\"meshes\":";
    appendList(out, look.meshes, [](std::string &o, const LookMesh &m) {
        o += "{\"mesh\":" + std::to_string(m.mesh) + ",\"offset\":" + vectorJson(pageVector(m.offset), kMeshUnit) + "}";
    });
    out += ",\"animations\":";
    appendList(out, look.initialStates, [](std::string &o, double s) { o += jsonNumber(s); });
    out += ",\"components\":";
    appendList(out, look.components, appendComponent);
    out += '}';
}

// One column of the samples, written by `write`.
template <class F>
void appendColumn(std::string &out, const char *name, const std::vector<VesselSample> &samples, F write) {
    out += ",\"" + std::string(name) + "\":";
    appendList(out, samples, write);
}

void appendTrack(std::string &out, const ReplayTrack &track, std::size_t body) {
    out += "{\"name\":" + jsonString(track.name) + ",\"class\":" + std::to_string(track.look) +
           ",\"body\":" + std::to_string(body) + ",\"removedAt\":" +
           (track.removedAt ? jsonNumber(*track.removedAt, 15) : "null");
    const auto &s = track.samples;
    appendColumn(out, "t", s, [](std::string &o, const VesselSample &x) { o += jsonNumber(x.t, 15); });
    appendColumn(out, "position", s, [](std::string &o, const VesselSample &x) {
        const Vec3 p = pageVector(x.planetPosition);
        o += jsonFixed(p.x, kMillimetre) + "," + jsonFixed(p.y, kMillimetre) + "," + jsonFixed(p.z, kMillimetre);
    });
    appendColumn(out, "quaternion", s, [](std::string &o, const VesselSample &x) {
        const auto q = pageQuaternion(x.planetAttitude);
        o += jsonNumber(q[0], 9) + "," + jsonNumber(q[1], 9) + "," + jsonNumber(q[2], 9) + "," + jsonNumber(q[3], 9);
    });
    appendColumn(out, "altitude", s, [](std::string &o, const VesselSample &x) { o += jsonFixed(x.altitude, kMillimetre); });
    appendColumn(out, "verticalSpeed", s,
                 [](std::string &o, const VesselSample &x) { o += jsonFixed(x.verticalSpeed, kMillimetre); });
    std::size_t animations = 0;
    for (const VesselSample &x : s) animations = std::max(animations, x.animations.size());
    out += ",\"animations\":[";
    for (std::size_t a = 0; a < animations; ++a) {
        out += a ? ",[" : "[";
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (i) out += ',';
            // An animation the vessel did not have yet reads as null.
            out += a < s[i].animations.size() ? jsonNumber(s[i].animations[a], 9) : "null";
        }
        out += ']';
    }
    out += "]}";
}

}  // namespace

void writeReplayJson(TextSink &sink, const ReplayRun &run) {
    std::vector<const Body *> bodies;
    std::vector<std::size_t> bodyOf;
    for (const ReplayTrack &t : run.tracks) {
        const Body *b = t.samples.empty() ? nullptr : t.samples.front().body;
        auto it = std::find(bodies.begin(), bodies.end(), b);
        if (it == bodies.end()) it = bodies.insert(bodies.end(), b);
        bodyOf.push_back(static_cast<std::size_t>(it - bodies.begin()));
    }
    std::string out = "{\"format\":\"quva-replay\",\"version\":1,\"title\":" + jsonString(run.title) +
                      ",\"tStart\":" + jsonNumber(run.tStart, 15) + ",\"tEnd\":" + jsonNumber(run.tEnd, 15) +
                      ",\"dt\":" + jsonNumber(run.dt, 15) +
                      ",\"frame\":\"planet-fixed, m from the body's centre, y to the north pole, right-handed\"";
    out += ",\"bodies\":";
    appendList(out, bodies, [](std::string &o, const Body *b) {
        o += "{\"name\":" + jsonString(b ? b->name : "") + ",\"radius\":" + jsonNumber(b ? b->radius : 0.0, 15) + "}";
    });
    out += ",\"meshes\":";
    appendList(out, run.meshes, appendMesh);
    out += ",\"classes\":";
    appendList(out, run.looks, appendClass);
    out += ",\"vessels\":[";
    for (std::size_t i = 0; i < run.tracks.size(); ++i) {
        if (i) out += ',';
        appendTrack(out, run.tracks[i], bodyOf[i]);
        sink.write(out);
        out.clear();
    }
    out += "],\"events\":";
    appendList(out, run.events, [](std::string &o, const TimelineEntry &e) {
        o += "{\"t\":" + jsonNumber(e.t, 15) + ",\"step\":" + std::to_string(e.step) +
             ",\"vessel\":" + jsonString(e.vessel) + ",\"text\":" + jsonString(e.text) + "}";
    });
    sink.write(out + "}");
}

std::string replayJson(const ReplayRun &run) {
    StringSink text;
    writeReplayJson(text, run);
    return std::move(text.text());
}

}  // namespace quva::cli
