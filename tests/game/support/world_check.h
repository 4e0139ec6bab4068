// The sea's invariants, as the soak test and the bot's runs check them
// after every update: at most 30 objects, each in one slot, positions and
// velocities finite, hit points within 0..max, every emitting emitter of
// the pool held by exactly one object, rings whole, the HUD's and the wave
// layers' indices in range.
#pragma once

#include <string>

// The first fault found in the world, or "" when it is whole. With
// `depthSorted` the slots must also be packed and in depth order, as they
// are right after the depth sort (a render's, or WorldStep's); between an
// update and the next render removed objects leave holes and moved ones
// are out of order.
std::string world_CheckWhole(bool depthSorted);
