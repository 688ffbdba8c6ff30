// The move picker of the quiescence search: every legal evasion when in check; otherwise the
// captures and promotions that can raise alpha (the doubtful ones deferred into buckets, the
// hopeless ones pruned against alpha), then, where allowed, quiet checks.
#pragma once

#include "board/types.h"

// Prepares the picker of a quiescence node (its frame's firstMove, staticEval, alpha, forcedLine
// and checksAllowed already set). In check the evasions are generated at once.
void startQuiescencePicker(SearchNode& node);

// The next move to search, 0 when none is left. Captures pruned on the way raise the frame's
// bestScore to what they could have brought at most.
MOVE nextQuiescenceMove(SearchNode& node);

// Counts the legal moves of the side to move at node (its lists generated).
int countLegalMoves(SearchNode& node);
