// Assemblies: attaching and releasing vessels, refusing loops, and placing held vessels at their
// holders' points.
#include "core/simulation.h"

#include <stdexcept>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/flight.h"

namespace quva {

// Places a held vessel at its holder's point, its holders first (each at its own holder's).
// Walks the chain of holders without recursion: assemblies may be any number of levels deep.
void Simulation::placeAttached(Vessel &v) {
    // A list of its own: a module may attach vessels from within a step, while chain_ is in use.
    std::vector<Vessel *> chain;
    for (Vessel *p = &v; p->parent(); p = p->parent()) chain.push_back(p);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) followParent(**it);
}

// Places every held vessel from `first` on, each after its holder: every vessel is placed once.
void Simulation::placeAll(std::size_t first) {
    std::unordered_set<const Vessel *> placed;
    std::vector<Vessel *> chain;
    for (std::size_t i = first; i < vessels_.size(); ++i) {
        chain.clear();
        for (Vessel *p = vessels_[i].get(); p->parent() && !placed.count(p); p = p->parent()) chain.push_back(p);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            followParent(**it);
            placed.insert(*it);
        }
    }
}

// Refuses links that make a vessel hold itself through others. Each vessel is walked once: a
// walk up its holders stops at one seen in an earlier walk.
void Simulation::checkNoLoops(const std::vector<std::pair<Vessel *, AttachedLine>> &links, const std::string &file) const {
    std::unordered_map<const Vessel *, int> walk;  // the walk that first reached the vessel
    int n = 0;
    for (const auto &[child, at] : links) {
        ++n;
        for (const Vessel *p = child; p; p = p->parent()) {
            auto [it, fresh] = walk.try_emplace(p, n);
            if (fresh) continue;
            if (it->second == n)
                throw InputError(file, at.line, "attaching \"" + child->name + "\" to \"" + at.parent +
                                                    "\" makes a loop: \"" + p->name + "\" would hold itself");
            break;
        }
    }
}


void Simulation::attach(Vessel &parent, std::size_t j, Vessel &child, std::size_t i) {
    for (Vessel *p = &parent; p; p = p->parent())
        if (p == &child) throw std::runtime_error("attaching \"" + child.name + "\" to \"" + parent.name + "\" would make a loop");
    connect(parent, j, child, i);
    placeAttached(child);
}

// Links the points without looking for loops or placing the child: the checks that cost one
// step each.
void Simulation::connect(Vessel &parent, std::size_t j, Vessel &child, std::size_t i) {
    Attachment *cp = child.attachmentAt(true, i);
    Attachment *pp = parent.attachmentAt(false, j);
    if (!cp) throw std::runtime_error("vessel \"" + child.name + "\" has no to-parent attachment point " + std::to_string(i));
    if (!pp) throw std::runtime_error("vessel \"" + parent.name + "\" has no to-child attachment point " + std::to_string(j));
    if (child.parent()) throw std::runtime_error("vessel \"" + child.name + "\" is already attached to \"" + child.parent()->name + "\"");
    if (pp->peer) throw std::runtime_error("attachment point " + std::to_string(j) + " of \"" + parent.name + "\" already holds \"" + pp->peer->owner->name + "\"");
    link(*cp, *pp);
    child.keptAttached.reset();
    child.groundContact = false;
    note(&child, "attached to " + parent.name);
}

void Simulation::release(Vessel &child) {
    for (const auto &a : child.attachments) {
        if (!a->toParent || !a->peer) continue;
        Vessel *parent = a->peer->owner;
        child.state.vel = releaseVelocity(child, *parent);
        unlink(*a);
        note(&child, "released from " + parent->name);
    }
}

}  // namespace quva
