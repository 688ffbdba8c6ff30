// The quiescence search: below the horizon only captures and promotions (every evasion when in
// check, quiet checks on the first ply in the middlegame) are searched, with stand-pat, a lazy
// cut on the parent's estimate and delta pruning.
#pragma once

#include <cstdint>

#include "board/types.h"

// Everything a quiescence node needs to know of the node that called it.
struct QuiescenceParent {
    int staticEval; // the parent's static score, its side's view
    int bestScore;  // the parent's best score so far, its side's view
    bool inCheck;
    int moveCount; // the parent's legal moves (counted when it was in check)
    int lazyCut;   // 1 enables the lazy cut on the parent's estimate
    int nodeType;
};

// Searches node (its position made, SearchPly still the parent's) within (alpha, beta);
// suggested is the table move found for the position. Returns the score for the side to move.
int16_t quiesce(SearchNode& node, int alpha, int beta, MOVE suggested,
                const QuiescenceParent& parent);
