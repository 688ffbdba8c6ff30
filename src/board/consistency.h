// Consistency checker: recomputes every redundant form of the position from the piece list and
// compares it with what the incremental updates left.
#pragma once

#include "board/types.h"

// nullptr when Board, PieceList and the ply state of node agree; otherwise a short description
// of the first disagreement found.
const char* positionInconsistency(const SearchNode& node);
