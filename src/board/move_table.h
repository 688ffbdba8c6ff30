// MoveTable: every move of every piece kind from every square on an empty board, pre-encoded.
#pragma once

// Fills MoveTable (and MoveSquareDelta). Run once at start-up after initBoardSquares.
void buildMoveTable();
