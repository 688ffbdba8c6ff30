// The game position and the search line below it, held in global arrays that live for the whole
// process. This module owns them; other subsystems read them directly and change them only through
// the board operations (set-up, makeMove, unmakeMove, updateMoves).
#pragma once

#include "board/types.h"

extern BoardSquare Board[64];        // square records; changed by set-up and make/unmake
extern PieceEntry PieceList[32];     // slots 0..15 white, 16..31 black; same owners
extern PieceEntry EmptyPieceEntry;   // dummy occupant of empty squares (slot 99, letter 0)
extern PlyState PlyStates[MaxPly + 1]; // per-ply state, index = node index
extern SearchNode SearchNodes[MaxPly]; // node 0 is the game position
extern MOVE MoveAtPly[MaxPly];       // per node, the move being searched from it

extern uint8_t SideToMove;          // colour to move; flipped by makeMove/unmakeMove
extern int8_t SearchPly;            // 0 at the game position; raised by the search
extern int16_t GamePly;             // half-moves played in the game
extern int16_t LastIrreversiblePly; // GamePly at the last capture or pawn move of the game
extern uint8_t LastPieceIndex[2];   // last slot scanned per colour (15, 31)
extern uint8_t KingIndex[2];        // king slot per colour

// Keys of the positions since LastIrreversiblePly along the game and the search line.
extern KeyPair KeyHistory[KeyHistorySize];

// Set-up input: cell 10 * (file + 1) + (rank + 1) holds +letter (white), -letter (black) or 0.
extern int8_t SetupBoard[89];
// Castling rights the set-up grants before they are checked against the board (per colour).
extern uint8_t SetupCastlingRights[2];
// En-passant target of the set-up: 8 * (file + 1) + rank of the skipped square, 0 = none.
extern uint8_t SetupEnPassant;

// Links the 63 search nodes to their ply states and move slots. Run once at start-up.
void initSearchNodes();

// Writes the constant fields of the 64 square records and empties them. Run once at start-up.
void initBoardSquares();

// Builds the whole position from SetupBoard and SetupCastlingRights, with the given side to move
// and en-passant target (SetupEnPassant's coding, 0 = none). False when a colour has more than
// 16 pieces.
bool setupPosition(uint8_t sideToMove, uint8_t enPassantTarget);
