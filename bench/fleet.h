// A mixed fleet as scenario text: covers, parachutes and descent stages in equal shares, every
// vessel free and flying (or resting on the Moon) so that none leaves the simulation while a
// benchmark steps it.
#pragma once

#include <cstddef>
#include <string>

namespace quvabench {

// Vessel i is a cover (Pilmont, Draskel, Nimbrel in turn) when i % 3 == 0, a parachute (Vantrel,
// Ossum in turn, canopy fully open) when i % 3 == 1, and a descent stage (gear down, in turn
// landed on the Moon or in a 100 km circular orbit around it) when i % 3 == 2. Covers circle the
// Earth at 400 km, above its atmosphere; parachutes start at rest between 20 and 80 km above the
// Earth and sink under their canopies. Positions spread over the globe.
std::string fleetScenario(std::size_t vessels);

}  // namespace quvabench
