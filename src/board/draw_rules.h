// Repetition and the fifty-move rule.
#pragma once

#include "board/types.h"

// Results of repetitionStatus.
constexpr int NoRepetition = 1;
constexpr int EarlierGamePosition = 2; // one earlier game occurrence seen close to the root
constexpr int RepetitionDraw = 3;

// For the position just made by m (at KeyHistory index GamePly - LastIrreversiblePly +
// SearchPly, key already stored there), with key its key and lastIrreversible its ply state's
// lastIrreversible: 1 no repetition, 2 a single earlier game occurrence near the root, 3 draw.
int repetitionStatus(MOVE m, const KeyPair& key, int lastIrreversible);

// Stores key at the KeyHistory index of the position SearchPly half-moves below the game
// position; indexes of 164 or more are skipped.
void storeKeyHistory(int searchPly, const KeyPair& key);

// The game is drawn by the fifty-move rule: 100 half-moves without a capture or pawn move.
bool fiftyMoveDraw();

// Neither side can mate on the game board: king against king, or a lone knight or bishop
// besides the kings, or one bishop each on squares of the same colour.
bool insufficientMaterial();

// Does m capture or move a pawn (the moves that reset the fifty-move count)?
inline bool isIrreversible(MOVE m) {
    return move_captured(m) != 0 || move_mover(m) == TypePawn;
}
