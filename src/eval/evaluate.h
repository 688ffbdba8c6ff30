// Static evaluation of the position at a search node, White's view, in 16-bit centipawns.
#pragma once

#include <cstdint>

#include "board/types.h"
#include "eval/eval_helpers.h"

// Static score of node's position: material and pawn structure, the positional terms and the
// endgame rules. Reads the node's ply state and its pawn-structure summary; changes nothing.
int16_t evaluate(SearchNode& node);

// True when colour, holding only king and pawns, has no move: not in check, no safe king
// square and every pawn stuck.
bool pawns_only_side_blocked(SearchNode& node, int colour);

// Material verdict 0..6: 1 Black cannot win, 2 White cannot win, 3 drawish, 4 draw, 5 White
// mates a bare king, 6 Black mates a bare king, 0 none.
int material_draw_class(SearchNode& node);

// Applies a material_draw_class verdict to a score.
int16_t apply_draw_class(int16_t score, int drawClass);
