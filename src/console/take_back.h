// Take back: the game replayed from its start without its last moves.
#pragma once

#include <cstdint>

extern uint8_t take_back_chain; // the player asked for one more take-back in this chain
extern int32_t take_back_count; // moves taken back in the current chain

// Removes the last ply of the game, shows the end of the game score and how many moves were
// taken back, and offers to take back one more, as long as moves remain. Leaves the game in
// control mode ('C') with the record file rewritten.
void take_back();

// Sets the game up again from its start position and replays its first plies moves from the
// history (their notation and status kept). False when a recorded move is not legal.
bool replay_game(int plies);
