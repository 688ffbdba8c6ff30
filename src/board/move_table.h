// MoveTable: every move of every piece kind from every square on an empty board, pre-encoded.
#pragma once

#include <cstdint>

#include "board/types.h"

constexpr int MovePoolSize = 10200;

// [square][kind][ray]: ray 0 starts the piece's list; sliders start one list per ray (bishop and
// rook 0..3, queen 0..7). Every list ends with 0; an empty ray is a lone 0.
extern MOVE* MoveTable[64][KindCount][8];
extern MOVE MovePool[MovePoolSize]; // storage of the lists; filled once by buildMoveTable
extern int MovePoolUsed;            // codes used in MovePool

// [(kind * 64 + from) * 64 + to]: piece-square gain of the move; rebuilt by buildMoveSquareDelta.
extern int8_t MoveSquareDelta[KindCount * 64 * 64];

// Fills MoveTable (and MoveSquareDelta). Run once at start-up after initBoardSquares.
void buildMoveTable();

// Recomputes MoveSquareDelta from the current Board[].pieceSquare bytes and the root phase.
void buildMoveSquareDelta();
