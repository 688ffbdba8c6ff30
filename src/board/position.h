// The game position and the search line below it, held in global arrays that live for the whole
// process. This module owns them; other subsystems read them directly and change them only through
// the board operations (set-up, makeMove, unmakeMove, updateMoves).
#pragma once

#include "board/types.h"

extern BoardSquare Board[64];          // square records; changed by set-up and make/unmake
extern PieceEntry PieceList[32];       // slots 0..15 white, 16..31 black; same owners
extern PieceEntry EmptyPieceEntry;     // dummy occupant of empty squares (slot 99, letter 0)
extern PlyState PlyStates[MaxPly + 1]; // per-ply state, index = node index
extern SearchNode SearchNodes[MaxPly]; // node 0 is the game position
extern MOVE MoveAtPly[MaxPly];         // per node, the move being searched from it

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
// The start position of the game: SetupBoard as the last set-up read it (same layout and
// letters). Set by setupPosition only; the game record replays the game's moves on a copy.
extern int8_t GameStartBoard[89];
// Castling rights the set-up grants before they are checked against the board (per colour).
extern uint8_t SetupCastlingRights[2];
// En-passant target of the set-up: 8 * (file + 1) + rank of the skipped square, 0 = none.
extern uint8_t SetupEnPassant;

// Move records: slot s at ply p owns MoveRecords[p * 32 + s] (the records a generation pass
// writes lie side by side); each record owns one quiet and one capture buffer of its ply. Linked
// once at start-up; rebuilt by the generation pass.
extern PieceMoveRecord MoveRecords[32 * MaxPly];
inline PieceMoveRecord& moveRecord(int slot, int ply) {
    return MoveRecords[ply * 32 + slot];
}
extern MOVE QuietMoveBuffers[MaxPly][32][QuietListSize];
extern MOVE CaptureMoveBuffers[MaxPly][32][CaptureListSize];

// The move that led to the game position (the reconstructed double step after a set-up with an
// en-passant target, else 0); the legality test of node 0 reads it for en passant. Set by set-up
// and by makeMove on node 0; unmakeMove does not restore it (a take-back sets it again).
extern MOVE LastGameMove;

constexpr MOVE FullUpdate = 57; // "last move" that asks updateMoves for a full pass

// Links the 63 search nodes to their ply states and move slots. Run once at start-up.
void initSearchNodes();

// Writes the constant fields of the 64 square records, empties them and links every move record
// to its buffers. Run once at start-up.
void initBoardSquares();

// Places the standard start on SetupBoard with both colours' castling rights.
void place_standard_start();

// True when SetupBoard can be a chess position: one king per colour, at most 16 pieces per colour,
// no pawn on the first or last rank. The position command and the console's set-up test it first.
bool setup_board_plausible();

// Builds the whole position from SetupBoard and SetupCastlingRights, with the given side to move
// and en-passant target (SetupEnPassant's coding, 0 = none; used only when the board shows the
// double step): game counters reset, node 0's ply state, moves (full generation) and key, stored
// as KeyHistory[0]. False when a colour has more than 16 pieces.
bool setupPosition(uint8_t sideToMove, uint8_t enPassantTarget);

// Empties the occupant part of a square record (its constants stay).
void clearSquare(BoardSquare& square);

// Sets value, kind, rangeClass and keys of an entry from its letter, sign and square.
void refreshPieceEntry(PieceEntry& entry);

// GamePhase from the two colours' non-pawn material: 0 both >= 1001, 3 neither has any, 2 both
// <= 500, else 1.
uint8_t gamePhase(const PlyState& state);

// kingWing of a king on this file with these castling rights: 8 on files a-c, 4 on f-h.
inline uint8_t kingWing(int file, uint8_t rights) {
    return file < 3 ? 8 : file < 5 ? rights : 4;
}

// Every occupied square of a ply state's position.
inline Bitboard occupiedSquares(const PlyState& s) {
    return s.pawns[White] | s.pawns[Black] | s.pieces[White] | s.pieces[Black];
}

// The move that led into node: MoveAtPly of the node above it, LastGameMove at node 0.
inline MOVE lastMoveInto(const SearchNode& node) {
    return node.index > 0 ? *node.previousMoveAtPly : LastGameMove;
}

// Runs every start-up step of the board rules in order (search nodes, geometry, board squares,
// move table, keys); safe to call again, for tests.
void initBoardRules();
