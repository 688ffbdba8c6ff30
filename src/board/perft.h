// Perft: counts the leaves of the legal move tree, walking it exactly as the search does
// (copy the ply state, make on the child node, incremental generation, unmake).
#pragma once

#include <cstdint>

#include "board/types.h"

// Leaves at depth below node, whose moves are already generated (SearchPly = node.index).
uint64_t perft(SearchNode& node, int depth);

// Prints "<move>: <count>" per root move of the game position, a blank line and the total.
uint64_t perftDivide(int depth);

// Command line "talvor perft <depth> [FEN]": the standard position when no FEN is given.
int perft_main(int argc, char** argv);
