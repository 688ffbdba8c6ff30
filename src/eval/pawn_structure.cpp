#include "eval/pawn_structure.h"

PawnFileEntry PawnFileInfo[2][8];
uint8_t PawnFront[2][8];

uint8_t pawn_file_mask() {
    uint8_t mask = 0;
    for (int file = 0; file < 8; ++file)
        if (PawnFileInfo[White][file].pawnClass == 0) mask |= uint8_t(1 << file);
    return mask;
}

void evaluate_pawns(SearchNode&) {}
