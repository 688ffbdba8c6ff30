// Pawn structure and king shelter: the pawn-structure summary of the current ply state.
#pragma once

#include <cstdint>

#include "board/types.h"

// Per colour and file classification of the pawns, left by the last evaluate_pawns.
struct PawnFileEntry {
    uint8_t pawnClass; // 0..15
    uint8_t count;
    uint8_t opposed;
    uint8_t passed;
    uint8_t defended;
    uint8_t sideBySide;
    uint8_t rammed;
};
extern PawnFileEntry PawnFileInfo[2][8]; // [colour][file], black first
extern uint8_t PawnFront[2][8];          // most advanced pawn rank per colour and file

// Bit f set when file f holds no pawn of either colour, as the last evaluate_pawns found it.
uint8_t pawn_file_mask();

// Computes pawnScore, passedCount, topPasser, castleScore and openLineDanger of node's state.
void evaluate_pawns(SearchNode& node);
