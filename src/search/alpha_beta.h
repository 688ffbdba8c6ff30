// The full-width search below the root: fail-soft alpha-beta over absolute horizons in quarter
// plies, with node types, null move, internal iterative deepening, extensions, late-move
// reductions, frontier futility and transposition-table use in the parent.
#pragma once

#include <cstdint>

#include "board/types.h"

// Searches node (its position made by the parent, SearchPly still the parent's) to the
// absolute horizon (quarter plies) within (alpha, beta). nodeType: 0 principal variation,
// 1 expected cut, -1 expected all. firstMove: the move to try first (table move); suggested: a
// second hint; parentBest: the parent's best score so far, its view. Returns the node's value
// for its side to move; its best line is left in PvRows of its ply.
int16_t alphaBetaSearch(SearchNode& node, int horizon, int nodeType, int alpha, int beta,
                        MOVE firstMove, MOVE suggested, int parentBest);

// Quarter plies taken from a late quiet move's horizon: half a ply within two plies of where the
// path left the principal variation, a whole ply further down, and twice that once many quiet
// moves were tried — half of those a complete list holds (tried or still to come), or more than
// ten while the list is still being generated.
int lateMoveReduction(int pliesBelowPvExit, bool listComplete, int moveCount, int movesMade,
                      int quietMovesMade);
