// Endgame scoring: assembles the score of positions where both sides hold at most a rook's worth
// of pieces and applies the endgame rules and recognisers.
#pragma once

#include <cstdint>

#include "board/types.h"

struct EndgameScore {
    int16_t score; // White's view
    bool ended;    // a rule settled the score: no material draw class is applied after it
};

// bs: material and pawn structure; ka: king activity; mb: mobility; fp: free path of an
// advanced passer (already weighted); adj: the adjustments gathered by the evaluation.
EndgameScore score_endgame(SearchNode& node, int16_t bs, int16_t ka, int16_t mb, int16_t fp,
                           int16_t adj);
