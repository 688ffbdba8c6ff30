// Incremental move generation: each piece's record of pseudo-legal moves, attacks and
// evaluation figures, and the node's check, attack and legality-test information.
#pragma once

#include "board/types.h"

// Directions (bit per direction 0..7) of each king's check rays re-traced in the current pass.
extern uint8_t RetracedDirections[2];

// When not negative, the discovered-check candidate is looked for only at this SearchPly (set
// by the search; -1 looks at every ply).
extern int8_t DiscoveredCheckPly;

// The generation pass looks for a quiet check that mates at once (node.mateFound) only while
// this is set. The search, which has no use for it, switches it off while it runs.
extern uint8_t QuietMateSearch;

// The generation pass for node after last was made into it; FullUpdate (57) rebuilds everything
// (after set-up and game moves).
void updateMoves(SearchNode& node, MOVE last);

// Rebuilds one piece's record from MoveTable and the board.
void rebuildPieceRecord(SearchNode& node, PieceEntry& piece);

// Re-traces the check rays through square (once per direction and pass); on arrival also
// records a knight standing there that checks the side to move.
void markSquareChanged(SearchNode& node, int square, bool arrival);

// Looks for a quiet check by piece that mates at once; stores it as node.mateMove.
bool findCheckingMoves(SearchNode& node, PieceEntry& piece, uint8_t letter, Bitboard checkSquares);

// Open lines beside a king (kingShelter) when its colour can no longer castle.
void countKingShelter(PlyState& state, int colour);

// Lazy stepping through one piece's table moves on the current board.
struct PieceMoveIterator {
    PieceEntry* piece;
    int ray;
    const MOVE* cursor;
    bool pushBlocked;       // the pawn's one-step square is occupied
    uint8_t castlingRights; // of the piece's colour at the start
};
void startPieceMoves(PieceMoveIterator& it, PieceEntry& piece, const SearchNode& node);
// The next move the piece can make (castling only with its rights bit); 0 when none is left.
MOVE nextPieceMove(PieceMoveIterator& it);
