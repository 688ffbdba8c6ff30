// Making and unmaking moves on Board and PieceList, with the incremental update of the
// receiving node's ply state (material, counts, bitboards, keys, phase).
#pragma once

#include "board/types.h"

// The search's expected move per SearchPly: makeMove keeps a ply state's searchFlag only while
// the moves made follow it. Written by the search.
extern MOVE ExpectedMoves[MaxPly];

// Plays m into node: during search the child node (k + 1 when searching node k, its ply state
// already copied from k), for game moves node 0 itself.
void makeMove(SearchNode& node, MOVE m);

// Takes m back from the undo area of node. restoreRecords relinks the move records rebuilt at
// that node (search); 0 leaves them (probes, game level).
void unmakeMove(SearchNode& node, MOVE m, int restoreRecords);

// Maintains both colours' castling rights and king wings after m; call right after makeMove.
void updateCastlingRights(SearchNode& node, MOVE m);

// The search's step from node k into its child with m: copies PlyStates k into k + 1, notes m
// in node k's MoveAtPly slot, makes m on node k + 1 and updates its castling rights. The child
// search then raises SearchPly and runs updateMoves(child, m). Returns node k + 1.
SearchNode& playIntoChild(SearchNode& node, MOVE m);

// Takes m back from node's child, relinking the records rebuilt there (SearchPly lowered first).
void takeBackFromChild(SearchNode& node, MOVE m);

// When m is legal: makes it on the next node, tests whether it checks the enemy king, unmakes.
bool makeTestUnmake(SearchNode& node, MOVE m);
