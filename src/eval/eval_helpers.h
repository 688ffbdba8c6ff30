// What the evaluation files share: the root figures of the current search, the small arithmetic
// of the rules, and the terms that the evaluation and the endgame rules both score.
#pragma once

#include <cstdint>

#include "board/geometry.h"
#include "board/types.h"

// Colour to move at the root of the current search, +1 White or -1 Black. Set by the root search.
extern int8_t root_side;
// King distance (max of file and rank distance) between the two kings at the root of the current
// search. Set by the search.
extern uint8_t root_king_distance;

// King placement term, White's view: central and advanced kings with pawns on the board, the
// weaker king driven to the edge without pawns; 0 in the middlegame.
int16_t king_activity(SearchNode& node);

// One bishop each on different square colours and no knights.
bool opposite_coloured_bishops(const PlyState& st);
// Moves score towards 0 by half its size, by at most 100 (opposite bishops with rooks).
int16_t pull_towards_draw(int16_t score);

// Small shared arithmetic of the evaluation rules.
constexpr int sign_of(int x) {
    return (x > 0) - (x < 0);
}
constexpr int abs_of(int x) {
    return x < 0 ? -x : x;
}
// King distance between two squares: max(|file difference|, |rank difference|).
inline int square_distance(int a, int b) {
    return StepCount[a * 64 + b];
}
// Squares on the same and the two neighbouring files strictly ahead of sq for colour.
inline Bitboard passed_mask(int colour, int sq) {
    return PassedMask[colour * 64 + sq];
}
// Squares attacked by colour at node, from the node's two attack unions.
inline Bitboard attacked_by(const SearchNode& node, int colour, int sideToMove) {
    return colour == sideToMove ? node.ownAttacks : node.enemyAttacks;
}
