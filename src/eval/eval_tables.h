// Evaluation tables: the piece-square tables, the mobility phase factor, and the operations
// that rebuild the piece-square set during a game and copy it onto the board.
#pragma once

#include <cstdint>

#include "board/types.h"

// Mobility weight by game progress (GamePly + SearchPly up to 40): 50 + 1.25 n, truncated.
// Filled at start-up.
extern int8_t PhaseFactor[41];

// Current piece-square tables, one per PieceKind, each seen from its own colour's side: entry
// file * 8 + relative rank (rank for white, 7 - rank for black), positive = good for that colour.
// The two pawn tables differ (each follows its own king's wing); the other black tables equal
// the white ones. Rebuilt by build_middlegame_tables and install_endgame_tables.
extern int8_t PieceSquareTables[KindCount][64];

// 1 once the endgame pawn and king tables replaced the middle-game ones in this game; set by
// prepare_evaluation, cleared at a new game.
extern uint8_t endgame_tables_installed;
// King files (black, white) for which the middle-game set was last built; same owners.
extern uint8_t middlegame_king_files[2];

// Builds the evaluation's fixed tables and the middle-game piece-square set, and copies it onto
// the board. Run at start-up, before the move table (whose square deltas read the board).
void init_evaluation_tables();

// Middle-game set; each pawn table follows the king wings of PlyStates entry 0.
void build_middlegame_tables();
// Endgame pawn and king tables; knight, bishop, rook and queen tables stay as they are.
void install_endgame_tables();
// Copies the tables into Board[sq].pieceSquare (black mirrored and negated). From phase 1 of
// the game position on only knights and pawns keep their values; the other kinds get 0.
void fill_piece_square_values();
