// Loading a scenario: the vessels of the ships section are created in file order, each reads
// its block, then attachments are linked and every vessel gets its post-creation call.
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/host_call.h"
#include "core/module_fault.h"
#include "core/simulation.h"
#include "core/vessel_placement.h"
#include "files/host_line_parser.h"
#include "files/text_fields.h"

namespace quva {

namespace {

// Runs `load`, a step of loading the vessel of a scenario line, and names that line when a module
// fails during it.
template <class F>
auto atLine(const std::string &file, int line, F &&load) {
    try {
        return load();
    } catch (const ModuleFault &e) {
        throw InputError(file, line, e.what());
    }
}

}  // namespace

// DOCKINFO i:j,NAME ...: a partner that is not in the scenario leaves the port free in the
// simulator. The line is kept as read; a warning names it.
void Simulation::warnOfMissingDockPartners(const VesselBlock &b, const std::string &file) {
    const Vessel *v = findVessel(b.name);
    if (!v || v->inert()) return;
    for (const ScenarioLine &line : b.lines) {
        const std::string_view text = text::trimmed(text::withoutComment(line.text));
        if (!text::startsWithNoCase(text, "DOCKINFO")) continue;
        const auto words = text::words(text.substr(8));
        for (const std::string_view w : words) {
            const std::size_t comma = w.find(',');
            if (comma == std::string_view::npos) continue;
            const std::string partner(w.substr(comma + 1));
            if (!partner.empty() && !findVessel(partner))
                warn(file + ":" + std::to_string(line.line) + ": vessel " + b.name + ": DOCKINFO names vessel \"" +
                     partner + "\", which is not in the scenario; the simulator leaves that port free");
        }
    }
}

HostLines Simulation::loadBlock(Vessel &v, const VesselBlock &block, const std::string &file) {
    ScenarioReadHandle reader;
    reader.file = file;
    reader.lines = &block.lines;
    HostStatus status;
    status.reader = &reader;
    if (v.callbacks) {
        FILEHANDLE scn = &reader;
        callIn(
            *this, &v, "clbkLoadStateEx", [&] { v.callbacks->clbkLoadStateEx(scn, &status); }, TraceHandle{scn},
            TraceHandle{&status});
    } else {
        for (const ScenarioLine &line : block.lines) {
            reader.line = line.line;
            parseHostLine(line.text.c_str(), status);
        }
    }
    if (status.error) throw *status.error;
    HostLineContext context;
    context.file = file;
    context.blockLine = block.line;
    context.mjd = mjd();
    context.orientations = orientations_;
    context.bases = &bases_;
    context.refuelOnPad = options_.refuelOnPad;
    context.warn = [this](const std::string &w) { warn(w); };
    applyHostLines(v, status.lines, context);
    return status.lines;
}

void Simulation::linkAttachment(Vessel &child, const AttachedLine &at, const std::string &file) {
    Vessel *parent = findVessel(at.parent);
    // As the simulator finds an ATTACHED parent: without regard to case when the exact name is
    // missing (the first vessel of that name in file order).
    for (std::size_t i = 0; !parent && i < vessels_.size(); ++i)
        if (text::equalNoCase(vessels_[i]->name, at.parent)) parent = vessels_[i].get();
    if ((!parent && leftOut_.count(at.parent)) || (parent && (parent->inert() || leftOut_.count(parent->name)))) {
        // The parent is carried along as read, with no attachment points of its own: the child
        // starts where its block places it and keeps its ATTACHED line for the saved scenario.
        warn(file + ":" + std::to_string(at.line) + ": vessel " + child.name + ": its parent \"" + at.parent +
             "\" is carried along without a module, so it starts unattached where its block places it; its "
             "ATTACHED line is written back");
        child.keptAttached = AttachedTo{at.childPoint, at.parentPoint, at.parent};
        return;
    }
    if (!parent) throw InputError(file, at.line, "ATTACHED names vessel \"" + at.parent + "\", which does not exist");
    if (parent == &child) throw InputError(file, at.line, "vessel \"" + child.name + "\" cannot be attached to itself");
    try {
        connect(*parent, at.parentPoint, child, at.childPoint);
    } catch (const std::exception &e) {
        throw InputError(file, at.line, e.what());
    }
}

void Simulation::loadScenario(const ScenarioDocument &doc) {
    mjd0_ = doc.mjd;
    updateOrientations();
    // Every base file is read now, so that a malformed one stops the load rather than the save
    // at the end of a long run.
    for (const Body *body : {&earth(), &moon()}) bases_.of(body->name);
    for (const std::string &w : doc.warnings) warn(w);
    // Only the sections around the ships are kept for saving; the vessels' own lines live on in
    // the vessels.
    document_.emplace();
    document_->path = doc.path;
    document_->head = doc.head;
    document_->hasShips = doc.hasShips;
    document_->tail = doc.tail;
    document_->mjd = doc.mjd;
    document_->environment = doc.environment;
    std::string unknown;
    for (const VesselBlock &b : doc.ships)
        if (!modules_.knows(b.className))
            unknown += "\n  line " + std::to_string(b.line) + ": vessel " + b.name + " of class " + b.className;
    if (!unknown.empty() && !options_.keepUnknownClasses)
        throw InputError(doc.path, 0,
                         "vessels of classes this host has neither a module nor a configuration for (" +
                             options_.keepUnknownAdvice + " to carry them along unchanged):" + unknown);

    // A vessel carried along without a module object: its block is saved as it was read.
    auto keepInert = [&](const VesselBlock &b, const std::string &why) {
        auto owned = arena_.make();
        owned->id = nextVesselId_++;
        owned->name = b.name;
        owned->className = b.className;
        owned->inertLines = b.raw;
        owned->isInert = true;
        owned->state.body = &earth();
        owned->created = true;
        if (findVessel(b.name)) throw InputError(doc.path, b.line, "vessel name \"" + b.name + "\" is already used");
        note(&adopt(std::move(owned)), why);
    };
    std::vector<std::pair<Vessel *, AttachedLine>> links;
    std::size_t first = vessels_.size();
    std::set<std::string> reported;  // classes whose unloadable module has been reported
    for (const VesselBlock &b : doc.ships) {
        if (!modules_.knows(b.className)) {
            keepInert(b, "kept inert (unknown class " + b.className + ")");
            continue;
        }
        const VesselClass &vc = atLine(doc.path, b.line, [&]() -> const VesselClass & {
            try {
                return modules_.vesselClass(b.className);
            } catch (const InputError &) {
                throw;
            } catch (const std::exception &e) {
                throw InputError(doc.path, b.line, e.what());
            }
        });
        if (vc.unloadable) {
            // As the simulator does with a module it cannot load, the vessel flies on its class
            // file alone; this host, which cannot fly it faithfully, carries it along as read.
            if (!options_.keepUnknownClasses)
                throw InputError(doc.path, b.line, *vc.unloadable + " (" + options_.keepUnknownAdvice +
                                                       " to carry such vessels along unchanged)");
            if (reported.insert(b.className).second)
                warn(*vc.unloadable + "; vessels of this class are carried along unchanged");
            keepInert(b, "kept inert (module of class " + b.className + " cannot be loaded)");
            continue;
        }
        Vessel *v = atLine(doc.path, b.line, [&] { return instantiate(b.name, b.className, b.line, doc.path); });
        if (!v) {
            // The run goes on without it; the scenario saved at the end still holds it.
            leftOut_.insert(b.name);
            keepInert(b, "left out (its module gave no object), kept unchanged");
            continue;
        }
        HostLines lines = atLine(doc.path, b.line, [&] { return loadBlock(*v, b, doc.path); });
        if (lines.attached) links.emplace_back(v, *lines.attached);
    }
    // All links first, then one check for loops and one placing pass: linear in the vessels
    // however deep the assemblies are.
    for (auto &[child, at] : links) linkAttachment(*child, at, doc.path);
    checkNoLoops(links, doc.path);
    for (const VesselBlock &b : doc.ships) warnOfMissingDockPartners(b, doc.path);
    placeAll(first);
    for (std::size_t i = first; i < vessels_.size(); ++i) {
        if (vessels_[i]->inert()) continue;
        const int line = i - first < doc.ships.size() ? doc.ships[i - first].line : 0;
        atLine(doc.path, line, [&] { postCreate(*vessels_[i]); });
    }
    atLine(doc.path, 0, [&] { throwIfRefused(); });  // values handed over outside any callback
    removeDeleted();
    if (const auto &malformed = meshes_.firstMalformed()) throw *malformed;
}

}  // namespace quva
