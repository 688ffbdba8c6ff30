// Moves played on the game position (node 0), by the game loop and by the position command:
// the history record, the move itself, the reversible count and the repetition keys; and the
// refresh of everything derived from the game position afterwards.
#pragma once

#include <cstdint>

#include "board/types.h"

// Plays m on the game position and records it in the game history (without its notation text).
// False when the history cannot grow.
bool play_game_move(MOVE m);

// Everything derived from the game position after it changed: the evaluation's preparation,
// the pawn structure and the legal moves with their book notation.
void refresh_game_position();

// A new game on the game position: the middle-game evaluation set built from its king wings, and
// the move records rebuilt so that each carries the new square values.
void prepare_new_game_evaluation();

// Draws found by the game after its last move: 6 by repetition, 7 by the fifty-move rule, 8 for
// lack of mating material, 0 none.
int game_draw_status(MOVE last);

// Moves the live pieces of each side to the front of its slots, in their order, and rebuilds
// the game position's move records for the new slots.
void compact_piece_lists();
