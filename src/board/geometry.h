// Direction, distance, ray and attack tables, computed once at start-up.
#pragma once

#include <cstdint>

#include "board/types.h"

// Directions 0..7 are the line steps {+1, +9, +8, +7, -1, -9, -8, -7}; 8..15 the knight steps
// {+10, +17, +15, +6, -10, -17, -15, -6}.
extern const int8_t Steps[16];
constexpr int NotAligned = 99;   // DirectionStep of two squares that share no line
constexpr int NoDirection = 255; // DirectionNumber of the same

extern uint8_t DirectionIndex[35];       // step + 17 -> direction number 0..15
extern uint8_t StepsToEdge[64 * 16];     // square * 16 + direction
extern int8_t DirectionStep[64 * 64];    // from * 64 + to: unit or knight step, 0, or 99
extern uint8_t DirectionNumber[64 * 64]; // from * 64 + to: direction of that step, or 255
extern uint8_t StepCount[64 * 64];       // from * 64 + to: max(|dfile|, |drank|)
extern Bitboard RayMask[64 * 8];         // square * 8 + direction: squares beyond, to the edge
extern Bitboard RayTruncate[64 * 8];     // complement of RayMask
extern Bitboard KnightAttacks[64];
extern Bitboard KingAttacks[64];
extern Bitboard BishopLines[64];
extern Bitboard RookLines[64];
extern Bitboard QueenLines[64];
extern Bitboard CheckSquares[64];    // queen lines and knight squares
extern Bitboard PawnAttacks[2 * 64]; // colour * 64 + square: where that colour's pawns
                                     // attack the square from
extern Bitboard PawnReach[2 * 64];   // colour * 64 + square: push and capture squares
extern Bitboard PassedMask[2 * 64];  // colour * 64 + square: own and adjacent files ahead
extern Bitboard SecondRank;
extern Bitboard SeventhRank;
extern uint8_t BitScanTable[64];

constexpr uint64_t BitScanMultiplier = 0x07EDD5E59A4E28C2ULL;

// Index of the lowest set bit of a non-zero bitboard (a single instruction on every target).
inline int lowest_bit(Bitboard b) {
    return __builtin_ctzll(b);
}
// Index of the highest set bit of a non-zero bitboard.
inline int highest_bit(Bitboard b) {
    return 63 - __builtin_clzll(b);
}
// Index of the lowest set bit, which is then cleared.
inline int pop_lowest_bit(Bitboard& b) {
    int sq = lowest_bit(b);
    b &= b - 1;
    return sq;
}

inline int direction_of_step(int step) {
    return DirectionIndex[step + 17];
}
inline int direction_step(int from, int to) {
    return DirectionStep[from * 64 + to];
}
inline bool is_diagonal_step(int step) {
    return step == 7 || step == -7 || step == 9 || step == -9;
}

// The nearest square of occupancy from sq along line direction d (0..7), -1 when the ray to
// the edge is empty. Directions 0..3 step towards higher squares, 4..7 towards lower ones.
inline int nearest_on_ray(int sq, int d, Bitboard occupancy) {
    const Bitboard hits = RayMask[sq * 8 + d] & occupancy;
    if (hits == 0) return -1;
    return d < 4 ? lowest_bit(hits) : highest_bit(hits);
}
// The squares seen from sq along direction d: up to the edge, or up to and including the
// nearest occupied square.
inline Bitboard ray_attacks(int sq, int d, Bitboard occupancy) {
    const int blocker = nearest_on_ray(sq, d, occupancy);
    return blocker < 0 ? RayMask[sq * 8 + d] : RayMask[sq * 8 + d] & RayTruncate[blocker * 8 + d];
}

// Squares attacked by pawns of colour standing on the squares of pawns.
inline Bitboard pawnAttackSet(Bitboard pawns, int colour) {
    return colour == White ? (pawns << 9) | (pawns >> 7) : (pawns >> 9) | (pawns << 7);
}
// Squares a bishop (F), rook (T) or queen (D) on sq attacks with this occupancy; each ray
// includes its blocking square.
Bitboard sliderAttacks(int letter, int sq, Bitboard occupancy);
// Squares a piece of this letter and colour on sq attacks with this occupancy.
Bitboard pieceAttacks(int letter, int colour, int sq, Bitboard occupancy);

// Fills every geometric table. Run once at start-up before anything else of the board rules.
void initGeometry();
