// The game loop that both run modes share.
#pragma once

#include <cstdint>

// The opponent played the move a search on its time expected: the loop plays that search's
// reply at once. Set by the move steps, cleared by the loop.
extern uint8_t ponder_result_ready;
// Console: wait for a key after each move of an engine playing both sides.
extern uint8_t pause_between_moves;

// Plays the game: asks the side to move for its move, makes it, detects draws, reports the move.
// Never returns.
[[noreturn]] void game_loop();
