// The console parameters questionnaire (one pass of defaults in UCI mode) and the console
// options it sets.
#pragma once

#include <cstdint>

// Console options answered in the questionnaire; cleared by each of its passes.
extern uint8_t display_tree;       // the search tree is shown: iteration lines only when forced
extern uint8_t stop_between_nodes; // every tree display waits for a key
extern uint8_t stop_at_level_1;    // "Stop when back to level 1" (kept, no effect)

// Console: runs the questionnaire until the parameters and the start position are accepted,
// then sets the game up on that position. UCI: one pass of the per-game defaults. Both create the
// game record file.
void parameters_dialogue();

// The start position on SetupBoard can be played: one king of each colour, not touching, no
// pawn on the first or the last rank, at most 16 pieces a side.
bool console_start_position_valid();
// Why it cannot ("each side needs exactly one king", ...), null when it can.
const char* console_start_position_problem();
