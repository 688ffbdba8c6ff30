// What the search tells while it runs: the UCI info lines of iterations, depths and current
// moves, the console evaluation line and tree, and the extension of a line through the table.
#pragma once

#include "board/types.h"

// The first move of the last principal variation sent in an info line.
extern MOVE reported_move;

// Reports a finished iteration that has a best move: the console evaluation line with its tree,
// and the UCI info line (not for shallow iterations unless a mate is found or forced).
void reportIteration(bool forced);

// "info depth d seldepth s" at the start of an iteration.
void sendDepthLine();

// "info currmove <move> currmovenumber <n>".
void sendCurrentMoveLine(MOVE m, int number);

// Replays a line from the root and extends it through the transposition table: an illegal move
// becomes the HEnd marker, a Hash marker is replaced by the table's moves for as long as they are
// legal and do not cycle; a null move ends the line. Returns the index of the slot that ends the
// line. The search must stand at the root (SearchPly == RootPly).
int extendLineFromTable(MOVE* row);

// Console: prints a line of moves as E2E4, its end marker by name; the rest of a line cut at a
// Hash marker is looked up in the table when fromRoot is set.
void showTree(MOVE* row, bool fromRoot = false);

// Name of an end-of-line marker ("End", "Hash", "Mat", ...).
const char* markerName(MOVE marker);

// The text of the UCI info line of the current root state (without "info "), for tests.
const char* iterationInfoText();
