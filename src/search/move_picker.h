// The staged move picker of the full-width search: one move at a time from the pieces' own move
// lists, the likely good ones at once, the rest deferred into the node's list and sorted only
// when they are needed.
#pragma once

#include "board/types.h"
#include "search/search_node.h"

// Ordering keys (higher first).
constexpr int32_t KeyEarlierPassBest = 0x7FFFFC17; // counter start: best moves of earlier passes
constexpr int32_t KeyRaisedBest = 0x7FFFF82F;      // counter start: moves that raised the best
constexpr int32_t KeyFirstMove = 0x7FFFF82E;
constexpr int32_t KeyGoodCapture = 0x7FFFF82D;
constexpr int32_t KeyDeferredCapture = 0x7FFFD8EF;
constexpr int32_t KeyGoodQuiet = 0x7FFFD827;
constexpr int32_t KeyUnsafe = -1;
constexpr int32_t KeyPreferenceBase = 200;
constexpr int32_t HighestRescoredKey = 2147473346; // keys above keep their value on sorting

// Resets the node's list and enters the first-move stage (when firstMove is a legal move of the
// position) or the capture stage.
void startPicker(SearchNode& node);

// The next move of the node, 0 when none is left. The returned entry becomes the frame's current
// entry; the picker may raise the frame's childHorizon (extensions) and, at frontier nodes, give
// the node a value and end its move loop.
MOVE nextMove(SearchNode& node);

// Rescores the entries whose keys call for it and rebuilds the sorted order (stable). On
// request the entries' tried flags are cleared, and their table states (of upper-bound entries
// only, or of all).
void sortMoves(SearchNode& node, bool resetTried, bool resetUpperBounds, bool resetTableStates);

// Prepares a later pass over the complete list of an earlier one: re-sorted, read in order.
void startPreparedList(SearchNode& node);

// Sets lmrAllowed: not in check, no null move on the path, not a pawn ending, not a PV node.
void lmrAllowedAt(SearchNode& node);

// Raises an entry's key with one of the node's running counters so that it sorts first.
void raiseKey(int32_t& counter, MoveEntry& entry);

// Does the moving pawn of m have no enemy pawn ahead of it on its own and neighbouring files?
bool passedPawnMove(const SearchNode& node, MOVE m);

// Gain in material of m: the captured piece and, for a promotion, the new piece less the pawn.
int materialGain(MOVE m);

// Newly attacked squares of the enemy king's zone for the attack extensions: for a knight,
// bishop or rook move, its attacks from the destination (sliders: not already attacked from the
// origin) within the frame's attackZone. For a queen, the squares next to the enemy king it
// newly attacks that another own piece also attacks.
Bitboard attackExtensionSquares(const SearchNode& node, MOVE m);

// Appends an entry for m (of the piece in slot) to the node's list.
MoveEntry& addEntry(SearchFrame& f, MOVE m, int slot);
