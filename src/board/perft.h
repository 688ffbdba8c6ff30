// Perft: counts the leaves of the legal move tree, walking it exactly as the search does
// (copy the ply state, make on the child node, incremental generation, unmake).
#pragma once

#include <cstdint>

#include "board/types.h"

// Leaves at depth below node, whose moves are already generated (SearchPly = node.index).
uint64_t perft(SearchNode& node, int depth);

// Room for the legal moves of any position.
constexpr int PerftMoveCapacity = 256;

// Perft divided by the root moves of the game position: each legal move into moves and the leaves
// at depth below it (1 for depth 1) into counts, both with PerftMoveCapacity entries. Returns the
// number of moves.
int perftDivide(int depth, MOVE* moves, uint64_t* counts);
