// Copying a simulation: a second, independent simulation in the same state, to try out what
// follows from one moment in several ways.
#include <memory>
#include <string>

#include "core/simulation.h"

namespace quva {

namespace {

// What the host keeps of a vessel beyond the scenario's rounded numbers: its flight exactly, its
// definition (a script may have changed the mass), its stores and engines.
void copyHostState(const Vessel &from, Vessel &to) {
    to.state = from.state;
    to.readout = from.readout;
    to.flight = from.flight;
    to.groundContact = from.groundContact;
    to.rest = from.rest ? std::make_unique<RestCheck>(*from.rest) : nullptr;
    to.movedStep = from.movedStep;
    to.def = from.def;
    for (std::size_t i = 0; i < from.propellants.size() && i < to.propellants.size(); ++i)
        to.propellants[i]->mass = from.propellants[i]->mass;
    for (std::size_t i = 0; i < from.thrusters.size() && i < to.thrusters.size(); ++i)
        to.thrusters[i]->level = from.thrusters[i]->level;
    if (from.animations.size() == to.animations.size())
        for (std::size_t i = 0; i < from.animations.size(); ++i) to.animations[i].state = from.animations[i].state;
}

}  // namespace

std::unique_ptr<Simulation> Simulation::copy() {
    ScenarioDocument doc = parseScenario(saveScenarioText(), document_ ? document_->path : std::string("(copy)"));
    doc.mjd = mjd0_;
    doc.warnings.clear();
    // The copy is made current while it loads; this one is current again afterwards.
    Scope keep(current());
    auto c = std::make_unique<Simulation>(options_);
    c->previous_ = nullptr;
    c->step_ = step_;
    c->simt_ = simt_;
    c->trace_.keepInMemory(trace_.enabled());
    c->loadScenario(doc);
    for (const auto &owned : vessels_) {
        const Vessel &v = *owned;
        Vessel *twin = c->findVessel(v.name);
        if (!twin || v.inert() || twin->inert()) continue;
        copyHostState(v, *twin);
        if (v.deletionPending) {
            c->requestDeletion(*twin);
            twin->deletionRequests = v.deletionRequests;
        }
    }
    if (document_) {
        c->document_->head = document_->head;
        c->document_->tail = document_->tail;
        c->document_->environment = document_->environment;
    }
    c->events_ = events_;
    c->nextEvent_ = nextEvent_;
    c->triggers_ = triggers_;
    c->triggers_.setNotice(nullptr);  // the copy's owner watches it, if anyone
    c->timeline_ = timeline_;
    c->warnings_ = warnings_;
    c->leftOut_ = leftOut_;
    c->trace_.clear();
    return c;
}

}  // namespace quva
