// Attack and check tests: check rays of the kings, the legality test of one generated move,
// gives-check tests and attacker counts.
#pragma once

#include "board/types.h"

// Legality results.
constexpr int Legal = 1;
constexpr int Illegal = 2;
constexpr int IllegalPinned = 3;

// Set by the search while the move being searched leads straight into the quiescence search;
// givesCheck then skips its discovered-check shortcut.
extern uint8_t QsearchNext;

// Re-traces one direction (step) of the check rays of the king of sign kingSign on square
// king, for sliders of letter F (diagonals) or T (ranks and files), recording a checker found.
void traceCheckRay(SearchNode& node, int kingSign, int king, uint8_t letter, int step);

// Records piece as a checker of the king of colour, found along step from that king.
void recordChecker(SearchNode& node, int colour, PieceEntry* checker, int step);

// 1 legal, 2 illegal, 3 illegal because the piece in slot is pinned (remembered in pinnedCache).
// last is the move that led into the node (lastMoveInto).
int isLegal(SearchNode& node, int slot, MOVE m, int kingSlot, MOVE last);

// Is there an enemy slider of the matching kind behind square on the line from the king?
bool sliderBehind(const SearchNode& node, int colour, int king, int square);

// 1 when m (not yet made) checks the enemy king of the mover's colour, -1 otherwise.
int givesCheck(SearchNode& node, MOVE m, int colour);

// With m already made into node: is the king of that colour on square king attacked?
bool givesCheckAfterMove(SearchNode& node, MOVE m, int king, int colour);

// Number of enemy pieces attacking square, for the defender of colour (its king transparent).
int countAttackers(SearchNode& node, int square, int colour);

// Adds 1 to node.attackerCount when the first enemy piece from square along step attacks it.
void countRayAttacker(SearchNode& node, int defenderSign, int square, uint8_t letter, int step);

// Is the king of colour attacked in the current position? (The position command's check test.)
bool kingAttacked(SearchNode& node, int colour);
