// Steps every search node takes along its path: entering a child position (key, irreversible
// moves, key history), the draws found on the path, and the principal-variation rows.
#pragma once

#include <cstdint>

#include "board/types.h"

// Copies the ply state down, makes m into node's child and returns the child; key receives the
// child's position key, which is stored in the key history. A capture or pawn move starts the
// child's reversible count.
SearchNode& enterChild(SearchNode& node, MOVE m, KeyPair& key);

// Takes m back from node's child, relinking the move records rebuilt there.
void leaveChild(SearchNode& node, MOVE m);

// Half-moves without capture or pawn move once the reversible move m is made from node
// (node at ply SearchPly).
int reversiblePliesAfter(const SearchNode& node);

// Repetition state (RepNormal, RepEarlierGame or RepDraw) of the position just made by m from
// the node at ply SearchPly; child is that position's node.
uint8_t repetitionState(const SearchNode& child, MOVE m, const KeyPair& key);

// Copies the child's row behind the first slot of row p, up to and including the first marker
// (or empty slot); a line that reaches max_depth ends with the max-depth marker.
void copyChildRow(int p);

// Ends row p after its first slot with a marker.
void endRowAfterMove(int p, MOVE marker);

// The move that led to a node changed what its pawn-structure summary is keyed on or built
// from (a pawn or king moved, a pawn was taken, a castling square was touched), so the summary
// must come from the pawn table again.
bool pawnSummaryStale(MOVE last);

// Makes the pawn-structure summary of node (at ply SearchPly) valid after such a move; run
// before the node's move lists are updated.
void refreshPawnSummary(SearchNode& node, MOVE last);

// Static score of node's position from colour's view.
int evaluateFor(SearchNode& node, int colour);

struct MoveEntry;

// Probes the table for the child of entry e (key e.childKey) at the given remaining depth and
// keeps the answer in the entry; a probe made earlier is only re-judged against the depth.
void probeEntry(MoveEntry& e, int depth);

// The entry's table answer settles the move without a search at this depth and window (an exact
// value, or a bound that already decides the move against alpha or beta). A bound that decided
// the move once is not taken again in a later pass: the move is searched there.
bool entryUsable(MoveEntry& e, int depth, int alpha, int beta);

// Stores the value found for the entry's child and keeps it as the entry's table answer.
void storeEntry(MoveEntry& e, int value, int depth, uint8_t bound, MOVE reply);

// Bound kind of a value searched with the window (alpha, beta).
uint8_t boundOf(int value, int alpha, int beta);
