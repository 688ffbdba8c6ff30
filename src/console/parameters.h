// The console parameters questionnaire (one pass of defaults in UCI mode) and the console
// options it sets.
#pragma once

#include <cstdint>

// Console: runs the questionnaire until the parameters and the start position are accepted,
// then sets the game up on that position. UCI: one pass of the per-game defaults. Both create the
// game record file.
void parameters_dialogue();

// The start position on SetupBoard can be played: one king of each colour, not touching, no
// pawn on the first or the last rank, at most 16 pieces a side.
bool console_start_position_valid();
// Why it cannot ("each side needs exactly one king", ...), null when it can.
const char* console_start_position_problem();
