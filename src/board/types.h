// The engine's shared vocabulary: squares, colours, piece letters, the move code and the
// records that hold a position. Every subsystem includes this header; nothing here allocates.
#pragma once

#include <cstdint>

// ---------------------------------------------------------------------------------------------
// Squares: index = file * 8 + rank (a1 = 0, a2 = 1, ..., h8 = 63), also the bit in a bitboard.
// A pawn step is +/-1, a file step +/-8, diagonals +/-7 and +/-9.
// ---------------------------------------------------------------------------------------------
using Square = uint8_t;
using Bitboard = uint64_t;

constexpr int file_of(int sq) {
    return sq >> 3;
}
constexpr int rank_of(int sq) {
    return sq & 7;
}
constexpr int make_square(int file, int rank) {
    return file * 8 + rank;
}
constexpr Bitboard square_bit(int sq) {
    return Bitboard(1) << sq;
}
constexpr Bitboard FirstRank = 0x0101010101010101ULL; // a1, b1, ..., h1: shift left for others

enum : Square {
    SqA1 = 0,
    SqA2 = 1,
    SqA7 = 6,
    SqA8 = 7,
    SqC1 = 16,
    SqC8 = 23,
    SqD1 = 24,
    SqD8 = 31,
    SqE1 = 32,
    SqE8 = 39,
    SqF1 = 40,
    SqF8 = 47,
    SqG1 = 48,
    SqG8 = 55,
    SqH1 = 56,
    SqH8 = 63,
};

// Mailbox cell of the set-up, book and record boards: 10 * (file + 1) + (rank + 1), a1 = 11.
constexpr int mailbox_cell(int sq) {
    return sq + 2 * file_of(sq) + 11;
}
constexpr int mailbox_square(int cell) {
    return cell - 2 * (cell / 10) - 9;
}

// ---------------------------------------------------------------------------------------------
// Colours: 1 = white, 0 = black. Colour-indexed arrays hold black at 0 and white at 1.
// ---------------------------------------------------------------------------------------------
constexpr uint8_t Black = 0;
constexpr uint8_t White = 1;
constexpr uint8_t NoColour = 255;
constexpr int colour_sign(int colour) {
    return colour == White ? 1 : -1;
}

// ---------------------------------------------------------------------------------------------
// Pieces are French letters on the board; types and kinds are derived from them.
// ---------------------------------------------------------------------------------------------
constexpr uint8_t LetterPawn = 'P';
constexpr uint8_t LetterKnight = 'C';
constexpr uint8_t LetterBishop = 'F';
constexpr uint8_t LetterRook = 'T';
constexpr uint8_t LetterQueen = 'D';
constexpr uint8_t LetterKing = 'R';

// PieceType 1..6.
constexpr uint8_t TypePawn = 1;
constexpr uint8_t TypeKnight = 2;
constexpr uint8_t TypeBishop = 3;
constexpr uint8_t TypeRook = 4;
constexpr uint8_t TypeQueen = 5;
constexpr uint8_t TypeKing = 6;

// PieceKind 0..11: 2 * (type - 1) for white, + 1 for black.
constexpr int piece_kind(int type, int colour) {
    return 2 * (type - 1) + (colour == Black ? 1 : 0);
}
constexpr int KindCount = 12;
constexpr int kind_type(int kind) {
    return kind / 2 + 1;
}

constexpr uint8_t TypeLetter[7] = {0, 'P', 'C', 'F', 'T', 'D', 'R'};
constexpr uint8_t KindLetter[KindCount] = {'P', 'P', 'C', 'C', 'F', 'F',
                                           'T', 'T', 'D', 'D', 'R', 'R'};
constexpr int16_t PieceValue[7] = {0, 100, 320, 330, 500, 950, 5000};

constexpr uint8_t letter_type(int letter) {
    switch (letter) {
    case 'P': return TypePawn;
    case 'C': return TypeKnight;
    case 'F': return TypeBishop;
    case 'T': return TypeRook;
    case 'D': return TypeQueen;
    case 'R': return TypeKing;
    default: return 0;
    }
}

// ---------------------------------------------------------------------------------------------
// Move code: a complete 32-bit description of a move.
// ---------------------------------------------------------------------------------------------
using MOVE = uint32_t;

constexpr MOVE MoveToMask = 0x3F;
constexpr MOVE MoveFromMask = 0xFC0;
constexpr int MoveFromShift = 6;
constexpr MOVE MovePromotionMask = 0x3000; // promoted type - 2 (0 knight .. 3 queen)
constexpr int MovePromotionShift = 12;
constexpr MOVE MoveSpecialMask = 0xC000;
constexpr MOVE MoveCastling = 0x4000;
constexpr MOVE MoveEnPassant = 0x8000;
constexpr MOVE MovePromotion = 0xC000;
constexpr MOVE NULL_MOVE = 0x10000;
constexpr MOVE MoveMoverMask = 0xE0000; // PieceType of the moving piece
constexpr int MoveMoverShift = 17;
constexpr MOVE MoveCapturedMask = 0x700000; // PieceType of the captured piece, 0 = none
constexpr int MoveCapturedShift = 20;
constexpr MOVE MoveClassMask = 0x7800000; // ordering class
constexpr int MoveClassShift = 23;
constexpr MOVE MoveCastlingSquare = 0x8000000; // from or to is a king or rook home square
constexpr MOVE MoveMarkerMask = 0xF0000000;
constexpr MOVE NO_MOVE = 0x10000000;
constexpr MOVE NotRealMoveMask = 0xF0010000; // markers and the null move
constexpr MOVE MoveIdentityMask = 0x7FFFFF;  // the low 23 bits identify a move

// Ordering classes as stored in bits 23-26.
constexpr MOVE ClassQuiet = 0x5800000;
constexpr MOVE ClassPromotion = 0x800000;
constexpr MOVE ClassBestCapture = 0;
constexpr MOVE ClassMinorVictim = 0x2000000;
constexpr MOVE ClassPawnCapture = 0x2800000;
constexpr MOVE ClassPieceTakesPiece = 0x3000000;
constexpr MOVE ClassPawnVictim = 0x3800000;

constexpr int move_to(MOVE m) {
    return m & MoveToMask;
}
constexpr int move_from(MOVE m) {
    return (m & MoveFromMask) >> MoveFromShift;
}
constexpr int move_special(MOVE m) {
    return m & MoveSpecialMask;
}
constexpr int move_mover(MOVE m) {
    return (m & MoveMoverMask) >> MoveMoverShift;
}
constexpr int move_captured(MOVE m) {
    return (m & MoveCapturedMask) >> MoveCapturedShift;
}
constexpr int move_promotion_type(MOVE m) {
    return ((m & MovePromotionMask) >> MovePromotionShift) + 2;
}
constexpr bool is_real_move(MOVE m) {
    return m != 0 && (m & NotRealMoveMask) == 0;
}

constexpr Bitboard CastlingSquares = 0x8100008100000081ULL; // a1, a8, e1, e8, h1, h8

// ---------------------------------------------------------------------------------------------
// Keys: a 32-bit key (low half of the first word) and a 64-bit key.
// ---------------------------------------------------------------------------------------------
struct KeyPair {
    uint64_t key32;
    uint64_t key64;
};
inline bool operator==(const KeyPair& a, const KeyPair& b) {
    return a.key32 == b.key32 && a.key64 == b.key64;
}

// ---------------------------------------------------------------------------------------------
// Position records.
// ---------------------------------------------------------------------------------------------
struct PieceEntry;
struct PieceMoveRecord;

constexpr uint8_t EmptySlot = 99;

struct BoardSquare {
    // Occupant part: copied whole when pieces move.
    uint8_t letter;    // 0 = empty
    int8_t sign;       // +1 white, -1 black, 0 empty
    uint8_t colour;    // White, Black or NoColour
    uint8_t slot;      // PieceList slot, EmptySlot when empty
    uint32_t absValue; // PieceValue of the occupant
    PieceEntry* piece; // never null: a dummy entry when empty
    // Constants of the square.
    uint8_t square;
    uint8_t file;
    uint8_t rank;
    uint8_t antiDiagonal;          // file - rank + 7
    uint8_t diagonal;              // file + rank
    int8_t pieceSquare[KindCount]; // evaluation value of each kind here (black negated)
};

struct PieceEntry {
    uint8_t slot;
    uint8_t letter; // 0 = slot free or piece captured
    int8_t sign;
    uint8_t colour;
    int16_t value; // signed PieceValue
    uint8_t square;
    uint8_t file;
    uint8_t rank;
    uint8_t kind;
    uint8_t rangeClass; // 8 queen, 4 rook and bishop, 1 king, knight, pawn
    uint64_t key32;     // PieceSquareKeys[kind][square]
    uint64_t key64;
    PieceMoveRecord* moves; // current move record
};

constexpr int QuietListSize = 57;   // 56 moves and a terminator
constexpr int CaptureListSize = 13; // 12 captures and a terminator

struct PieceMoveRecord {
    int8_t squareValue;
    uint8_t mobilityCount; // quiet + captures
    uint8_t captureCount;
    uint8_t quietCount;
    int8_t mobilityScore;
    uint8_t placementFlag; // 0, 254 or 255
    int8_t extra;
    Bitboard attacks;
    uint8_t canPromote;
    uint8_t ply; // SearchPly at which the record was built
    MOVE* quiet;
    MOVE* captures;
    PieceMoveRecord* previous; // the record it replaced; the ply-0 record points to itself
};

// One per ply; copied whole from ply k to k + 1 before a move and updated incrementally.
struct PlyState {
    int16_t material;
    int16_t mobilityTotal;
    uint8_t promotersCount[2];
    uint8_t placementTotal[2];
    int16_t extraTotal; // wide enough for two rooks on the seventh (70 each)
    int16_t squareValueTotal;
    uint16_t lastIrreversible;
    uint8_t queenSquare[2]; // 255 = none
    uint8_t searchFlag;     // the line still follows the previous principal variation
    uint8_t fileMask;       // files flagged by the pawn-structure evaluation
    // Pawn-structure summary, in the order the pawn table stores it.
    int16_t pawnScore;
    uint8_t passedCount[2];
    uint8_t topPasser[2];
    int16_t castleScore[2];
    int16_t openLineDanger[2];
    uint16_t nonPawnMaterial[2];
    uint8_t pawnCount[2];
    uint8_t queenCount[2];
    uint8_t rookCount[2];
    uint8_t bishopCount[2];
    uint8_t knightCount[2];
    uint8_t bishopSquareColour[2][2]; // [colour][(file + rank) & 1]
    // Check rays of each colour's king, indexed by that king's colour.
    Bitboard diagonalCheckRays[2];
    Bitboard straightCheckRays[2];
    Bitboard allCheckRays[2];
    uint8_t kingShelter[6];    // [colour * 3 + i]
    uint8_t castlingRights[2]; // bit 0 king side, bit 1 queen side; 4/8 after castling
    uint8_t kingWing[2];
    uint8_t phase; // GamePhase 0..3
    uint8_t queenLost[2];
    uint8_t kingSquare[2];
    uint8_t kingFile[2];
    uint8_t kingRank[2];
    uint64_t key32; // pieces only: side, castling and en passant enter in fullKey
    uint64_t key64;
    uint64_t pawnKey32;
    uint64_t pawnKey64;
    Bitboard pawns[2];
    Bitboard pieces[2]; // all other pieces, kings included
};

// Bitwise rights in castlingRights.
constexpr uint8_t CastleKingSide = 1;
constexpr uint8_t CastleQueenSide = 2;
constexpr uint8_t CastledKingSide = 4;
constexpr uint8_t CastledQueenSide = 8;

// Squares and entry saved by makeMove for unmakeMove. Bank 0 holds the move, bank 1 the rook of
// a castling move.
struct UndoBank {
    BoardSquare fromSquare;
    BoardSquare toSquare;
    BoardSquare thirdSquare; // en-passant victim's square
    PieceEntry mover;
};

constexpr int MaxPly = 63; // search nodes 0..62
constexpr int KeyHistorySize = 164;

struct SearchNode {
    // Links, fixed at start-up.
    int index;
    SearchNode* next;
    SearchNode* previous;
    PlyState* state;         // PlyStates[index]
    PlyState* nextState;     // PlyStates[index + 1]
    PlyState* previousState; // PlyStates[index - 1], or its own state at node 0
    MOVE* moveAtPly;         // &MoveAtPly[index]
    MOVE* previousMoveAtPly; // &MoveAtPly[index - 1], null at node 0
    uint8_t parity;

    // Filled by the generation pass.
    uint8_t side;
    uint8_t opponent;
    uint8_t mateFound;
    MOVE mateMove;
    Bitboard occupancy;
    Bitboard colourOccupancy[2];
    uint8_t EnPassantSquare; // square skipped by a capturable double step, 0 = none
    uint8_t checkState;      // 0, the checking letter, or 2 for double check
    Bitboard evasionMask;
    PieceEntry* checkers[2][2]; // per king colour, up to two checking pieces
    int8_t checkDirection[2];   // per king colour, step from the king towards the checker
    uint8_t checkCount[2];
    uint8_t attackerCount; // countAttackers / countRayAttacker counter
    uint8_t hasLegalMove;

    Bitboard enemyPawnAttacks, enemyKnightAttacks, enemyBishopAttacks, enemyRookAttacks,
        enemyQueenAttacks, enemyKingAttacks;
    Bitboard enemyMinorAttacks, enemyUpToRook, enemyUpToQueen, enemyAttacks;
    Bitboard ownPawnAttacks, ownKnightAttacks, ownBishopAttacks, ownRookAttacks, ownQueenAttacks,
        ownKingAttacks, ownAttacks;
    Bitboard pinLines;
    uint32_t testMask;    // slots whose moves must pass isLegal
    uint32_t pinnedCache; // slots found pinned by isLegal
    uint8_t attackMapsValid;

    // Discovered-check candidate: a piece in front of an own slider aimed at the enemy king.
    uint8_t pinCandidateFlag;
    uint8_t pinCandidateSlot;
    uint8_t pinCandidateLetter;
    Bitboard pinCandidateTargets;

    PieceEntry* regenerated[32]; // entries whose records were rebuilt at this ply
    uint8_t regeneratedCount;

    UndoBank undo[2];
};
