// King-and-pawn endgames: races of unstoppable passers, king and pawn against king, rook-pawn
// draws.
#pragma once

#include <cstdint>

#include "board/types.h"

// Score of a position with kings and pawns only, White's view. Refreshes the pawn-structure
// summary of node's ply state first.
int16_t evaluate_pawn_endgame(SearchNode& node);

// The same from the pawn-structure summary and per-file tables as they stand.
int16_t score_pawn_endgame(SearchNode& node);

// True when a queen of colour on square a would attack square b along a file or diagonal, or
// check the other colour's king along a file, rank or diagonal, nothing standing in between.
bool queen_sees(int colour, int a, int b);
