// Position keys (Zobrist): random key tables, the full key of a position and the pawn-table key.
#pragma once

#include "board/types.h"

// Random key tables, filled once by initKeys (and again, identically, on every table resize).
extern KeyPair PieceSquareKeys[KindCount * 64]; // kind * 64 + square
extern KeyPair CastleSideKeys[162];             // side * 81 + white rights * 9 + black rights
extern KeyPair EnPassantKeys[64];               // by the skipped square
extern KeyPair KeyVariants[2];                  // [1] marks the search's key variant; [0] unused
extern KeyPair KingWingKeys[81];                // white kingWing * 9 + black kingWing
extern KeyPair PhaseQueenKeys[16]; // (phase * 2 + white has no queen) * 2 + black has no queen

extern uint8_t KeyVariant; // set by the search in one of its phases, cleared at set-up

// Fills every key table from the fixed seed, always producing the same keys.
void initKeys();

// Key of the position just made: node SearchPly + 1 during search, node 0 at SearchPly 0. The
// piece part comes from the ply state unless reuse is 0 or SearchPly is 0, when it is recomputed
// from the live pieces and stored back. Made with or without a transposition table.
KeyPair fullKey(int reuse);

// The same for an explicit node, always recomputing the piece part when recompute is set.
KeyPair nodeKey(SearchNode& node, bool recompute);

// The key32 the position after m will have, worked out before m is made (node is the position m
// is played from) so that the search can fetch the table slots while it makes the move. Castling,
// changes of the castling rights and a new en-passant square are left out: such a prediction is
// wrong, which costs only a useless fetch.
uint32_t predictChildKey32(const SearchNode& node, MOVE m);

// Pawn-table key of the current ply's state (pawns and kings, king wings, phase and queens).
KeyPair pawnKingKey();
// The same for any ply state whose pawn keys are current.
KeyPair pawnKingKeyOf(const PlyState& state);

// Recomputes key32/key64 (all live pieces) and pawnKey32/pawnKey64 (pawns and kings) of a ply
// state from the piece list.
void recomputePieceKeys(PlyState& state);
