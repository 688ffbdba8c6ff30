// Evaluation preparation: makes the game position's ply state consistent before a search (its
// phase, the piece-square values on the board and every accumulator recomputed).
#pragma once

#include "board/types.h"

// Run on the game position (node 0) after set-up, game moves, take-backs and position
// commands: sets the root phase, rebuilds the piece-square set when the king files changed or
// the endgame began, and recomputes the accumulators.
void prepare_evaluation();

// Start of a new game: middle-game set from the current king wings, endgame flag cleared, king
// files saved, board piece-square values filled.
void new_game_evaluation_tables();

// Recomputes node's accumulators (mobility, extra, square values, promoters, material, non-pawn
// material, piece counts; placement in phase 0 while both queens live) from the live pieces and
// their current move records. Does nothing at the deepest plies of the search.
void refresh_accumulators(SearchNode& node);
