// The player's progress: levels, coins and items, kept between runs as one
// JSON object in the host's state file.
#pragma once

#include <cstdint>

// Writes the record. A state file that cannot be written prints one line;
// the game goes on.
void game_SaveProgress();
// Reads the record back. What cannot be read (not JSON, not an object, a
// member that is no number) keeps its first value; the unreadable file is
// kept beside the state file as ".zentrovastate.bad" and one line says so.
void game_LoadProgress();

// The level saved for the mode being played (world_Mode): lvlopenworld in
// the open world, lvlcampaign otherwise.
int32_t &game_SavedLevel();

// value + amount, held within the 32-bit range: every change of coins and
// item counts goes through it.
int32_t game_SaturatingAdd(int32_t value, int64_t amount);
